// Discovery of Tavix*.dll plug-ins beside the program: which processors are
// listed, in which order, which libraries stay loaded, and why the others
// were left out, whatever their exports do.
#include "PluginFixture.h"

#include "app/PluginCatalog.h"

using NameList = std::vector<std::wstring>;

namespace
{
// The left-out list as "library: reason" lines.
NameList LeftOut(const TavixCapture::MainModel& model)
{
    NameList lines;
    for (const auto& library : model.GetPluginCatalog().GetLeftOut())
    {
        lines.push_back(library.library + L": " + library.reason);
    }
    return lines;
}
} // namespace

TEST_F(PluginTest, BrokenPluginsAreLeftOutWithTheirReasonAndTheOthersListedInOrder)
{
    // Every way a plug-in can fail to describe itself, in file-name order.
    TestSupport::WriteFileBytes(folder.File(L"TavixA_Text.dll"), "not a library");
    Install(L"missing_export", L"TavixB_NoExport.dll");
    Install(L"failing_factory", L"TavixC_Factory.dll");
    Install(L"failing_count", L"TavixD_Count.dll");
    Install(L"name_fails", L"tavixE_Names.DLL"); // the pattern ignores case
    Install(L"zero", L"TavixF_Zero.dll");
    Install(L"lifecycle", L"TavixG_Life.dll");
    // Not matching the pattern: never loaded.
    Install(L"lifecycle", L"Other.dll");
    Install(L"lifecycle", L"TavixH.dll.off");
    ASSERT_TRUE(CreateDirectoryW(folder.File(L"TavixI_Folder.dll").c_str(), nullptr));

    auto model = MakeModel();

    EXPECT_EQ(Names(*model),
              (NameList{L"なし", L"A0", L"記録", L"作成失敗", L"初期化失敗", L"終了失敗", L"同名",
                        L"処理失敗", L"処理例外", L"異常終了", L"初期化で箱", L"千回書き込み"}));
    const NameList reasons = LeftOut(*model);
    ASSERT_EQ(reasons.size(), 7u);
    EXPECT_EQ(reasons[0].rfind(L"TavixA_Text.dll: ライブラリとして読み込めません（", 0), 0u) << reasons[0];
    EXPECT_EQ(reasons[1], L"TavixB_NoExport.dll: GetProcessorFactory を公開していません");
    EXPECT_EQ(reasons[2], L"TavixC_Factory.dll: GetProcessorFactory が失敗しました（エラー 0x80004005）");
    EXPECT_EQ(reasons[3], L"TavixD_Count.dll: GetProcessorCount が失敗しました（エラー 0x80004005）");
    EXPECT_EQ(reasons[4],
              L"tavixE_Names.DLL: 処理 1 以降: GetProcessorName が失敗しました（エラー 0x80004005）");
    EXPECT_EQ(reasons[5], L"TavixF_Zero.dll: 処理を 1 つも提供していません");
    EXPECT_EQ(reasons[6], L"TavixG_Life.dll: 処理 5: 名前「同名」は TavixG_Life.dll の処理と同じです");
    // Only the libraries that gave entries stay loaded.
    for (const wchar_t* gone : {L"TavixB_NoExport.dll", L"TavixC_Factory.dll", L"TavixD_Count.dll",
                                L"TavixF_Zero.dll", L"Other.dll", L"TavixH.dll.off"})
    {
        EXPECT_FALSE(IsLoaded(gone)) << testing::PrintToString(gone);
    }
    EXPECT_TRUE(IsLoaded(L"tavixE_Names.DLL"));
    EXPECT_TRUE(IsLoaded(L"TavixG_Life.dll"));
    // The entries of one library share it; "なし" has none.
    const auto& entries = model->GetProcessorEntries();
    EXPECT_EQ(entries[0]->GetPlugin(), nullptr);
    EXPECT_EQ(entries[2]->GetPlugin(), entries[7]->GetPlugin());
    EXPECT_EQ(entries[7]->GetIndex(), 6) << "the left-out name keeps its index";
    EXPECT_NE(entries[1]->GetPlugin(), entries[2]->GetPlugin());
    EXPECT_EQ(model->TakeProcessorError(), nullptr) << "discovery raises nothing";

    // The libraries go with the model, even one whose processor is current.
    model->SelectProcessor(2);
    model.reset();
    EXPECT_FALSE(IsLoaded(L"tavixE_Names.DLL"));
    EXPECT_FALSE(IsLoaded(L"TavixG_Life.dll"));
}

TEST_F(PluginTest, ExportsThatThrowAbsurdAnswersAndAnotherVersionAreLeftOutAndTheProgramRuns)
{
    Install(L"throws_factory", L"TavixA_ThrowsFactory.dll");
    Install(L"throws_count", L"TavixB_ThrowsCount.dll");
    Install(L"throws_name", L"TavixC_ThrowsName.dll");
    Install(L"huge_count", L"TavixD_Huge.dll");
    Install(L"other_version", L"TavixE_Version.dll");
    Install(L"names", L"TavixF_Names.dll");
    Install(L"zero", L"TavixG_Zero.dll"); // marked with today's version: used as usual
    SetEnvironmentVariableW(L"TAVIX_TEST_OTHER_VERSION_CALLED", nullptr);

    const auto model = MakeModel();

    EXPECT_EQ(Names(*model), (NameList{L"なし", L"良い"}));
    EXPECT_EQ(
        LeftOut(*model),
        (NameList{
            L"TavixA_ThrowsFactory.dll: GetProcessorFactory が失敗しました（例外が送出されました）",
            L"TavixB_ThrowsCount.dll: GetProcessorCount が失敗しました（例外が送出されました）",
            L"TavixC_ThrowsName.dll: 処理 0 以降: GetProcessorName が失敗しました（例外が送出されました）",
            L"TavixD_Huge.dll: 処理の数 -2147483648 は範囲外です（1〜256）",
            L"TavixE_Version.dll: プラグインインターフェースの版 2 用です（このプログラムは版 1）",
            L"TavixF_Names.dll: 処理 0: 名前が空です",
            L"TavixF_Names.dll: 処理 1: 名前「なし」は組み込みの処理の名前です",
            L"TavixF_Names.dll: 処理 3: 名前「良い」は TavixF_Names.dll の処理と同じです",
            L"TavixF_Names.dll: 処理 4: 名前が長すぎます（2000 文字）",
            L"TavixF_Names.dll: 処理 5: 名前に制御文字があります",
            L"TavixG_Zero.dll: 処理を 1 つも提供していません"}));
    EXPECT_EQ(GetEnvironmentVariableW(L"TAVIX_TEST_OTHER_VERSION_CALLED", nullptr, 0), 0u)
        << "a library of another version is never called";
    for (const wchar_t* gone : {L"TavixA_ThrowsFactory.dll", L"TavixB_ThrowsCount.dll",
                                L"TavixC_ThrowsName.dll", L"TavixD_Huge.dll", L"TavixE_Version.dll"})
    {
        EXPECT_FALSE(IsLoaded(gone)) << testing::PrintToString(gone);
    }
    // An empty saved name does not pick a plug-in's processor.
    EXPECT_EQ(model->GetCurrentProcessorIndex(), 0);
}

TEST_F(PluginTest, LongAndGrownNamesAndProfileTextsCrossTheBoundaryWhole)
{
    Install(L"strings", L"TavixStrings.dll");
    profile.WriteString(L"TestPlugin", L"Text", L"始");
    const auto model = MakeModel();
    const NameList names = Names(*model);
    ASSERT_EQ(names.size(), 4u);
    EXPECT_EQ(names[1], std::wstring(1000, L'長'));
    ASSERT_EQ(names[2].size(), 300u);
    EXPECT_EQ(names[2][0], L'あ');
    EXPECT_EQ(names[2][299], static_cast<wchar_t>(L'あ' + 299 % 80));
    // A string of ours grown in the plug-in, freed here.
    std::wstring events = L"前置き\n";
    model->SelectProcessor(1);
    events += TakeEvents(L"TavixStrings.dll");
    EXPECT_EQ(events, L"前置き\nfactory creates 0\n長い名前 created\n長い名前 Initialize\n");

    // A processor grows a profile text the host made, twice.
    model->SelectProcessor(3);
    model->SelectProcessor(0);
    model->SelectProcessor(3);
    const std::wstring text = profile.ReadString(L"TestPlugin", L"Text", L"");
    ASSERT_EQ(text.size(), 1u + 2 * 400);
    EXPECT_EQ(text.substr(0, 3), L"始伸長");
    EXPECT_EQ(text.substr(text.size() - 2), L"伸長");
}
