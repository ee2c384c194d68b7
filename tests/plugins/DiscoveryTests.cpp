// Discovery of Tavix*.dll plug-ins beside the program: which processors are
// listed, in which order, and which libraries stay loaded.
#include "PluginFixture.h"

using NameList = std::vector<std::wstring>;

TEST_F(PluginTest, BrokenPluginsAreSkippedSilentlyAndTheOthersListedInOrder)
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
              (NameList{L"なし", L"A0", L"記録", L"作成失敗", L"初期化失敗", L"終了失敗", L"同名", L"同名"}));
    // Only the libraries that gave entries stay loaded.
    EXPECT_FALSE(IsLoaded(L"TavixB_NoExport.dll"));
    EXPECT_FALSE(IsLoaded(L"TavixC_Factory.dll"));
    EXPECT_FALSE(IsLoaded(L"TavixD_Count.dll"));
    EXPECT_TRUE(IsLoaded(L"tavixE_Names.DLL"));
    EXPECT_FALSE(IsLoaded(L"TavixF_Zero.dll"));
    EXPECT_TRUE(IsLoaded(L"TavixG_Life.dll"));
    EXPECT_FALSE(IsLoaded(L"Other.dll"));
    EXPECT_FALSE(IsLoaded(L"TavixH.dll.off"));
    // The entries of one library share it; "なし" has none.
    const auto& entries = model->GetProcessorEntries();
    EXPECT_EQ(entries[0]->GetPlugin(), nullptr);
    EXPECT_EQ(entries[2]->GetPlugin(), entries[7]->GetPlugin());
    EXPECT_EQ(entries[7]->GetIndex(), 5);
    EXPECT_NE(entries[1]->GetPlugin(), entries[2]->GetPlugin());
    EXPECT_EQ(model->TakeProcessorError(), nullptr) << "discovery reports nothing";

    // The libraries go with the model, even one whose processor is current.
    model->SelectProcessor(2);
    model.reset();
    EXPECT_FALSE(IsLoaded(L"tavixE_Names.DLL"));
    EXPECT_FALSE(IsLoaded(L"TavixG_Life.dll"));
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
