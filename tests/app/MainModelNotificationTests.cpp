// What windows are told, and in which order: notifications are real posted
// messages read back from a real window's queue.
#include "ModelFixture.h"

using namespace TavixCapture;

TEST_F(ModelTest, ANewListenerIsToldEveryStateOnceThenEveryChangeUntilRemoved)
{
    auto model = MakeModel();
    NotifiedWindow first, second;
    Common::Mfc::Window windowless; // skipped
    model->AddListener(&first);
    model->AddListener(&first);
    model->AddListener(&windowless);
    model->AddListener(&second);
    Ids expected; // every state, but never Frame (3) or ErrorMessage (4)
    for (int id = 0; id <= 21; ++id)
    {
        if (id != 3 && id != 4)
        {
            expected.push_back(static_cast<PropertyId>(id));
        }
    }
    EXPECT_EQ(first.Drain(), expected);
    second.Drain();
    model->SetIsSidePaneVisible(true);
    model->SetIsSidePaneVisible(true);
    model->RemoveListener(&first);
    model->SetIsStatusBarVisible(false);
    EXPECT_EQ(first.Drain(), Ids{PropertyId::IsSidePaneVisible});
    EXPECT_EQ(second.Drain(), (Ids{PropertyId::IsSidePaneVisible, PropertyId::IsStatusBarVisible}));
}

TEST_F(ModelTest, MarkerAndCursorMovesWithinTheFormatRaiseTheirPositionThenProfileOrPixel)
{
    auto model = MakeModel();
    NotifiedWindow window;
    Listen(*model, window);
    cam0->SetPixel(5, 7, 0xFF112233);
    cam0->SetPixel(100, 7, 0xFF445566);
    cam0->SetPixel(5, 300, 0xFF778899);

    model->SetMarkerPosition(320, 240);
    EXPECT_EQ(window.Drain(), Ids{}) << "the stored position raises nothing";
    model->SetMarkerPosition(5, 7);
    EXPECT_EQ(window.Drain(), (Ids{PropertyId::MarkerPosition, PropertyId::Profile}));
    std::vector<std::uint32_t> row, column;
    model->CopyProfiles(row, column);
    EXPECT_EQ(row[5], 0xFF112233u);
    EXPECT_EQ(row[100], 0xFF445566u);
    EXPECT_EQ(column[300], 0xFF778899u);
    EXPECT_EQ(column[7], 0xFF112233u);

    model->SetMarkerPosition(640, 7);
    model->SetMarkerPosition(-1, 7);
    model->SetMarkerPosition(5, 480);
    EXPECT_EQ(window.Drain(), Ids{});
    EXPECT_EQ(model->GetMarkerPosition().x, 5);

    // The cursor too stays within the selected format.
    model->SetCursorPosition(0, 0);
    model->SetCursorPosition(-1, 5);
    model->SetCursorPosition(640, 5);
    model->SetCursorPosition(5, 480);
    model->SetCursorPosition(5, -1);
    EXPECT_EQ(window.Drain(), Ids{});
    model->SetCursorPosition(639, 479);
    EXPECT_EQ(window.Drain(), (Ids{PropertyId::CursorPosition, PropertyId::CursorPixel}));
    model->SetCursorPosition(0, 0);
    model->SetCursorPosition(1, 0);
    // The pixel notification is still queued for the first move: one stands for both.
    EXPECT_EQ(window.Drain(),
              (Ids{PropertyId::CursorPosition, PropertyId::CursorPixel, PropertyId::CursorPosition}));
}
