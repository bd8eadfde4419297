#include "PromptPopup.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "GuiTestSupport.h"

namespace {
using Log = std::vector<std::string>;
const IMouseKeys kLeft{1, 0, 0, 0, 0};
const IMouseKeys kRight{0, 1, 0, 0, 0};

// Parameters the right click treats differently, and one log of the edits in
// the order the host would see them.
class PopupCore : public ICoreBase {
public:
    enum Param { kWave = 0, kMany, kBare, kSteps, kSparse, kNumParams };

    static PluginIdentity Identity() {
        PluginIdentity id;
        id.name = "PopupMenuTest";
        id.channelIO = "2-2";
        id.numParams = kNumParams;
        id.numPresets = 1;
        id.uniqueId = 0x50707570;
        id.isInstrument = true;
        return id;
    }

    PopupCore() : ICoreBase(Identity(), 1) {
        GetParam(kWave)->DefineEnum("Wave", 0, 4, "");
        for (const char* text : {"Sine", "Sine half", "Triangle", "Square"})
            GetParam(kWave)->SetValueText(GetParam(kWave)->ValueTextCount(), text);
        GetParam(kMany)->DefineEnum("Many", 11, 12, "");
        for (int i = 0; i < 12; ++i)
            GetParam(kMany)->SetValueText(i, ("Item " + std::to_string(i)).c_str());
        GetParam(kBare)->DefineEnum("Bare", 0, 3, ""); // no display texts
        GetParam(kSteps)->DefineInteger("Steps", 0, 0, 1, "");
        GetParam(kSteps)->SetValueText(0, "Low");
        GetParam(kSteps)->SetValueText(1, "High");
        // Texts on some values only, given out of order.
        GetParam(kSparse)->DefineEnum("Sparse", 7, 8, "");
        GetParam(kSparse)->SetValueText(7, "Seven");
        GetParam(kSparse)->SetValueText(5, "Five");
    }

    void BeginHostEdit(int index) override { log.push_back("begin " + std::to_string(index)); }
    void NotifyHostOfEdit(int index, double normalized) override {
        log.push_back("perform " + std::to_string(index) + " " + std::to_string(normalized));
    }
    void EndHostEdit(int index) override { log.push_back("end " + std::to_string(index)); }
    int32_t SamplePosition() override { return 0; }
    double Tempo() override { return 120.0; }
    void TimeSignature(int* numerator, int* denominator) override { *numerator = *denominator = 4; }
    bool EmitMidiMessage(const MidiMessage&) override { return true; }

    Log log;
};

std::vector<std::string> Items(int count, const char* prefix = "Item ") {
    std::vector<std::string> items;
    for (int i = 0; i < count; ++i)
        items.push_back(prefix + std::to_string(i));
    return items;
}

std::unique_ptr<PromptPopup> MakePopup(int count, int columns = 1, int textSize = 15, int x = 20,
                                       int y = 5) {
    IGraphics::PopupStyle look;
    look.text.size = textSize;
    auto popup = std::make_unique<PromptPopup>(nullptr, x, y, 70, columns, look);
    for (const std::string& item : Items(count))
        popup->AddItem(item.c_str());
    return popup;
}

// A surface with a black background and controls bound to each parameter,
// attached to the core with its window open.
class PopupMenuTest : public ::testing::Test {
protected:
    static constexpr int kWidth = 300, kHeight = 200;

    void SetUp() override {
        auto owned = std::make_unique<RecordingSurface>(&core, kWidth, kHeight, 30);
        surface = owned.get();
        Add<SolidControl>(IBounds{0, 0, kWidth, kHeight}, -1, RAST_MakePixel(255, 0, 0, 0));
        wave = Add<EventControl>(IBounds{100, 100, 140, 120}, PopupCore::kWave);
        many = Add<EventControl>(IBounds{200, 20, 260, 40}, PopupCore::kMany);
        bare = Add<EventControl>(IBounds{10, 150, 30, 170}, PopupCore::kBare);
        steps = Add<EventControl>(IBounds{40, 150, 60, 170}, PopupCore::kSteps);
        baseCount = surface->NumControls();
        core.AttachEditor(std::move(owned));
        surface->OpenEditorWindow(nullptr);
        surface->Tick();
    }

    template <typename Control, typename... Args> Control* Add(Args&&... args) {
        auto control = std::make_unique<Control>(&core, std::forward<Args>(args)...);
        Control* raw = control.get();
        surface->AddControl(std::move(control));
        return raw;
    }
    void Click(int x, int y, const IMouseKeys& keys) {
        surface->MouseDownAt(x, y, keys);
        surface->MouseUpAt(x, y, keys);
    }
    PromptPopup* Popup() const { return dynamic_cast<PromptPopup*>(surface->OpenPopup()); }
    Pixel ScreenAt(int x, int y) const { return RAST_RowPointer(&surface->Screen(), y)[x]; }
    static unsigned Red(Pixel p) { return (p >> 16) & 0xFF; }

    PopupCore core;
    RecordingSurface* surface = nullptr;
    EventControl* wave = nullptr;
    EventControl* many = nullptr;
    EventControl* bare = nullptr;
    EventControl* steps = nullptr;
    int baseCount = 0;
};
} // namespace

TEST(PromptPopupGeometryTest, TheListGrowsWiderTallerAndScrollsAsItemsAreAdded) {
    // Four short texts: one column, no scroll bar, four rows of 21 pixels.
    auto four = MakePopup(0);
    for (const char* text : {"Sine", "Sine half", "Triangle", "Square"})
        four->AddItem(text);
    EXPECT_EQ(four->Rows(), 5);
    EXPECT_EQ(four->ItemHeight(), 21);
    EXPECT_FALSE(four->HasScrollBar());
    EXPECT_EQ(four->Bounds(), (IBounds{20, 5, 20 + 7 * 9 + 28 + 4, 5 + 84}));
    EXPECT_EQ(four->HitBounds(), four->Bounds());

    // Eight: five rows and a scroll bar with a thumb of 90 pixels.
    const auto eight = MakePopup(8);
    EXPECT_TRUE(eight->HasScrollBar());
    EXPECT_EQ(eight->Rows(), 5);
    EXPECT_EQ(eight->ThumbHeight(), 90);
    EXPECT_EQ(eight->Bounds().W(), 70 + 4 + 9 + 2);
    EXPECT_EQ(eight->Bounds().H(), 105);

    EXPECT_EQ(MakePopup(9)->Rows(), 5);
    const auto ten = MakePopup(10);
    EXPECT_EQ(ten->Rows(), 6);
    EXPECT_EQ(ten->ThumbHeight(), 105);
    // Rows stop growing at nine; from four pages on the thumb is one and a half items.
    const auto sixty = MakePopup(60);
    EXPECT_EQ(sixty->Rows(), 9);
    EXPECT_EQ(sixty->ThumbHeight(), 31);
    EXPECT_EQ(sixty->Bounds().H(), 189);

    // Texts are kept to 31 bytes, and the column fits the kept text.
    auto wide = MakePopup(0);
    wide->AddItem(std::string(40, 'w').c_str());
    wide->AddItem(nullptr);
    EXPECT_EQ(wide->Item(0), std::string(31, 'w'));
    EXPECT_EQ(wide->Item(1), "");
    EXPECT_EQ(wide->ColumnWidth(), 31 * 7 + 28);

    // Columns are at least one and at most the limit; items stop at their limit.
    EXPECT_EQ(MakePopup(3, 0)->Columns(), 1);
    EXPECT_EQ(MakePopup(3, -4)->Columns(), 1);
    EXPECT_EQ(MakePopup(3, INT_MAX)->Columns(), PromptPopup::kMaxColumns);
    EXPECT_EQ(MakePopup(5000)->ItemCount(), PromptPopup::kMaxItems);

    // A broken text size still gives rows that have a height->
    EXPECT_EQ(MakePopup(3, 1, -100)->ItemHeight(), 1);
    const auto huge = MakePopup(3, 1, INT_MAX);
    EXPECT_GT(huge->ItemHeight(), 0);
    EXPECT_GT(huge->Bounds().W(), 0);
}

TEST(PromptPopupGeometryTest, PlacementCentresOnTheControlButKeepsOffTheEdges) {
    struct Case {
        IBounds control;
        int left, top;
    };
    // The list is 95 x 84 on a 300 x 200 surface.
    const Case cases[] = {
        {IBounds{100, 100, 140, 120}, 73, 68},   // centred
        {IBounds{0, 0, 20, 20}, 6, 6},           // pushed in from the top left
        {IBounds{5, 5, 100, 89}, 6, 6},          // centred at 5: one pixel too close
        {IBounds{7, 7, 102, 91}, 7, 7},          // centred at 7: left there
        {IBounds{290, 190, 300, 200}, 199, 110}, // pushed in from the bottom right
        {IBounds{199, 110, 294, 194}, 199, 110}, // ends exactly 6 from the edges
        {IBounds{200, 111, 295, 195}, 199, 110}, // one pixel too far
    };
    for (const Case& c : cases) {
        auto popup = MakePopup(0, 1, 15, c.control.left, c.control.top);
        for (const char* text : {"Sine", "Sine half", "Triangle", "Square"})
            popup->AddItem(text);
        popup->CentreOn(c.control, 300, 200);
        EXPECT_EQ(popup->Bounds(), (IBounds{c.left, c.top, c.left + 95, c.top + 84}))
            << c.control.left << "," << c.control.top;
        EXPECT_EQ(popup->HitBounds(), popup->Bounds());
    }
}

TEST_F(PopupMenuTest, RightClickOpensTheListOnlyForParametersWithTexts) {
    Click(20, 160, kRight); // enumerated without texts
    Click(50, 160, kRight); // integer with texts
    ASSERT_EQ(surface->prompts.size(), 2u);
    EXPECT_EQ(surface->prompts[0].control, bare);
    EXPECT_EQ(surface->prompts[1].control, steps);
    EXPECT_EQ(surface->OpenPopup(), nullptr);

    Click(110, 110, kRight);
    PromptPopup* popup = Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(surface->GetControl(surface->NumControls() - 1), popup);
    EXPECT_FALSE(popup->IsHidden());
    EXPECT_EQ(popup->Parent(), wave);
    EXPECT_FALSE(popup->IsBound());
    ASSERT_EQ(popup->ItemCount(), 4);
    EXPECT_EQ(popup->Item(1), "Sine half");
    EXPECT_EQ(popup->CurrentItem(), 0);
    EXPECT_EQ(popup->OriginX(), 100);
    EXPECT_EQ(popup->Bounds(), (IBounds{73, 68, 168, 152}));
    EXPECT_EQ(surface->prompts.size(), 2u);

    // A control far off the surface still gets a whole list inside it.
    surface->ClosePopup(true);
    EventControl* far =
        Add<EventControl>(IBounds{INT_MAX - 5, INT_MIN, INT_MAX, INT_MIN + 5}, PopupCore::kWave);
    far->MouseDown(0, 0, kRight);
    ASSERT_NE(Popup(), nullptr);
    EXPECT_EQ(Popup()->Bounds(), (IBounds{199, 6, 294, 90}));
}

TEST_F(PopupMenuTest, ARightClickElsewhereClosesTheListAndTheNextOneOpensAgain) {
    Click(110, 110, kRight);
    ASSERT_NE(Popup(), nullptr);
    Click(230, 30, kRight);
    EXPECT_EQ(surface->NumControls(), baseCount);
    EXPECT_EQ(wave->events.back(), "choice '' -1");
    // That click only closed the list: nothing opened, and the marker is gone.
    EXPECT_EQ(surface->OpenPopup(), nullptr);
    EXPECT_FALSE(surface->PopupMarkerSet());
    EXPECT_TRUE(surface->prompts.empty());

    Click(230, 30, kRight);
    PromptPopup* popup = Popup();
    ASSERT_NE(popup, nullptr);
    EXPECT_EQ(popup->Parent(), many);
    EXPECT_EQ(popup->ItemCount(), 12);
    EXPECT_EQ(popup->Rows(), 6);
    // The current item is the last: the list starts scrolled to the end.
    EXPECT_EQ(popup->CurrentItem(), 11);
    EXPECT_EQ(popup->ScrollPos(), popup->Bounds().H() - popup->ThumbHeight() - 2);
    surface->Tick();
    EXPECT_EQ(popup->FirstVisible(), 6);
}

TEST_F(PopupMenuTest, ChoosingTheThirdItemSetsPlainValueTwoInsideOneEdit) {
    Click(110, 110, kRight);
    PromptPopup* popup = Popup();
    ASSERT_NE(popup, nullptr);
    surface->Tick();
    core.log.clear();
    const int y = popup->Bounds().top + 2 * 21 + 10; // over the owner's bottom edge too
    ASSERT_EQ(surface->FindControlAt(110, y), surface->NumControls() - 1);

    // A right click on an item chooses nothing.
    Click(110, y, kRight);
    EXPECT_EQ(Popup(), popup);
    EXPECT_TRUE(core.log.empty());

    surface->MouseDownAt(110, y, kLeft);
    EXPECT_EQ(core.log, (Log{"begin 0", "perform 0 0.666667", "end 0"}));
    EXPECT_EQ(core.GetParam(PopupCore::kWave)->PlainValue(), 2.0);
    EXPECT_EQ(wave->events.back(), "choice 'Triangle' 2");
    EXPECT_EQ(surface->NumControls(), baseCount);
    EXPECT_FALSE(surface->PopupMarkerSet());
    EXPECT_EQ(surface->MouseCapture(), -1);
    EXPECT_EQ(surface->MouseOverIndex(), -1);

    // The release of that press reaches neither the owner below nor the host.
    const size_t events = wave->events.size();
    surface->MouseUpAt(110, y, kLeft);
    EXPECT_EQ(wave->events.size(), events);
    EXPECT_EQ(core.log.size(), 3u);
    // The next press and release are the owner's again.
    Click(110, y, kLeft);
    EXPECT_EQ(wave->events.back(), "up 110," + std::to_string(y));
    EXPECT_EQ(core.log.back(), "end 0");
}

TEST_F(PopupMenuTest, ADoubleClickTakenAsAPressClosesTheListToo) {
    Click(110, 110, kRight);
    ASSERT_NE(Popup(), nullptr);
    bare->SetDoubleClickAsClick(true);
    surface->MouseDoubleClickAt(20, 160, kLeft);
    surface->MouseUpAt(20, 160, kLeft);
    EXPECT_EQ(surface->NumControls(), baseCount);
    EXPECT_EQ(wave->events.back(), "choice '' -1");
    EXPECT_FALSE(surface->PopupMarkerSet());
}

TEST_F(PopupMenuTest, PaintsThePanelTheCurrentItemAndTheHoveredItem) {
    Click(110, 110, kRight);
    PromptPopup* popup = Popup();
    ASSERT_NE(popup, nullptr);
    surface->Tick();
    const IBounds box = popup->Bounds();
    auto rowPixel = [&](int row) { return Red(ScreenAt(box.left + 5, box.top + 21 * row + 10)); };
    const unsigned plain = rowPixel(1);
    EXPECT_GT(plain, 20u);              // the panel
    EXPECT_GT(rowPixel(0), plain + 20); // the current item
    EXPECT_EQ(rowPixel(2), plain);
    EXPECT_EQ(Red(ScreenAt(box.left - 2, box.top + 10)), 0u);

    surface->SetHandleMouseOver(true);
    surface->MouseOverAt(box.left + 30, box.top + 21 * 2 + 5, IMouseKeys{});
    EXPECT_EQ(popup->HoverItem(), 2);
    surface->Tick();
    EXPECT_GT(rowPixel(2), plain + 20);
    EXPECT_EQ(rowPixel(1), plain);
    popup->MouseOut();
    EXPECT_EQ(popup->HoverItem(), -2);
    surface->Tick();
    EXPECT_EQ(rowPixel(2), plain);
}

TEST_F(PopupMenuTest, TheScrollBarFollowsTrackPressesDragsAndTheWheelWithinItsLimits) {
    auto owned = std::make_unique<PromptPopup>(&core, 20, 5, 70, 1, surface->GetPopupStyle());
    PromptPopup* popup = owned.get();
    for (const std::string& item : Items(60))
        popup->AddItem(item.c_str());
    surface->AddControl(std::move(owned));
    surface->SetOpenPopup(popup);
    popup->Bind(-1, bare);
    const IBounds box = popup->Bounds();
    const int bar = popup->ScrollColumn().left + 2, top = box.top;
    const int range = 189 - 31 - 2;
    EXPECT_EQ(popup->ScrollPos(), 0);
    EXPECT_EQ(popup->ThumbBox(), (IBounds{bar - 2, top + 1, box.right - 1, top + 32}));

    // A track press centres the thumb on the pointer.
    surface->MouseDownAt(bar, top + 100, kLeft);
    EXPECT_EQ(popup->ScrollPos(), 100 - 16);
    EXPECT_TRUE(popup->Dragging());
    surface->MouseDragTo(bar, top + 110, kLeft);
    EXPECT_EQ(popup->ScrollPos(), 94);
    surface->MouseUpAt(bar, top + 110, kLeft);
    EXPECT_FALSE(popup->Dragging());
    // Near the end the thumb stops at the bottom; right presses do nothing.
    surface->MouseDownAt(bar, box.bottom, kLeft);
    EXPECT_EQ(popup->ScrollPos(), range);
    surface->MouseUpAt(bar, box.bottom, kLeft);
    Click(bar, top + 2, kRight);
    EXPECT_EQ(popup->ScrollPos(), range);
    // A press on the thumb itself grabs it without moving it.
    surface->MouseDownAt(bar, top + range + 10, kLeft);
    EXPECT_TRUE(popup->Dragging());
    surface->MouseDragTo(bar, INT_MAX, kLeft);
    EXPECT_EQ(popup->ScrollPos(), range);
    surface->MouseDragTo(bar, INT_MIN, kLeft);
    EXPECT_EQ(popup->ScrollPos(), 0);
    surface->MouseUpAt(bar, INT_MIN, kLeft);

    const double wheels[] = {-1.0, NAN, 1e300, -INFINITY};
    const int after[] = {3, 3, 0, range};
    for (int i = 0; i < 4; ++i) {
        surface->MouseWheelAt(bar, top + 5, IMouseKeys{}, wheels[i]);
        EXPECT_EQ(popup->ScrollPos(), after[i]) << wheels[i];
    }

    // Scrolled to the end, the last page shows items 51 to 59; a press on
    // the bottom edge, below the last row, chooses nothing.
    surface->Tick();
    EXPECT_EQ(popup->FirstVisible(), 51);
    Click(box.left + 20, box.bottom, kLeft);
    EXPECT_EQ(surface->OpenPopup(), popup);
    surface->MouseDownAt(box.left + 20, top + 8 * 21 + 3, kLeft);
    EXPECT_EQ(bare->events.back(), "choice 'Item 59' 59");
    EXPECT_EQ(surface->NumControls(), baseCount);
}

TEST(PromptPopupScrollTest, ScrollToCurrentPutsTheCurrentItemMidPage) {
    PopupCore core;
    IGraphicsHeadless surface(&core, 300, 300);
    surface.PrepareDrawing();
    auto owned = std::make_unique<PromptPopup>(&core, 0, 0, 70, 1, surface.GetPopupStyle());
    PromptPopup* popup = owned.get();
    for (const std::string& item : Items(12))
        popup->AddItem(item.c_str());
    surface.AddControl(std::move(owned));
    core.GetParam(PopupCore::kMany)->SetPlainValue(6);
    popup->Bind(PopupCore::kMany, nullptr);
    // Row 6, half a page of 3 rows: the page starts at row 4 of the 6 it can start at.
    const int range = popup->Bounds().H() - popup->ThumbHeight() - 2;
    EXPECT_EQ(popup->ScrollPos(), static_cast<int>(std::round(range * 4.0 / 6.0)));
    surface.PaintRegion(popup->Bounds());
    EXPECT_EQ(popup->FirstVisible(), 4);
}

TEST(PromptPopupScrollTest, ShortOrBrokenListsNeverDivideByZeroOrChooseOffTheList) {
    PopupCore core;
    IGraphicsHeadless surface(&core, 120, 80);
    surface.PrepareDrawing();
    EventControl owner(&core, IBounds{0, 0, 5, 5});
    struct Case {
        int textSize, columns, count;
    };
    // Text size 1: a thumb so tall that it cannot move at all. Then rows of
    // one pixel, and rows taller than the surface.
    for (const Case& c : {Case{1, 1, 6}, Case{-100, 2, 300}, Case{200, 3, 300}}) {
        IGraphics::PopupStyle look;
        look.text.size = c.textSize;
        auto owned = std::make_unique<PromptPopup>(&core, -30, 40, 70, c.columns, look);
        PromptPopup* popup = owned.get();
        for (const std::string& item : Items(c.count))
            popup->AddItem(item.c_str());
        ASSERT_TRUE(popup->HasScrollBar());
        surface.AddControl(std::move(owned));
        surface.SetOpenPopup(popup);
        popup->Bind(PopupCore::kBare, &owner);
        for (int v : {INT_MIN, -1, 0, INT_MAX}) {
            popup->MouseOver(v, v, IMouseKeys{});
            popup->MouseDown(v, ~v, kLeft);
            popup->MouseDrag(v, v, v, v, kLeft);
            popup->MouseWheel(v, v, IMouseKeys{}, v);
            popup->MouseUp(v, v, kLeft);
        }
        EXPECT_GE(popup->ScrollPos(), 0) << c.textSize;
        if (c.textSize == 1) {
            EXPECT_EQ(popup->ScrollPos(), 0);
        }
        EXPECT_TRUE(surface.PaintRegion(IBounds{0, 0, 120, 80}));
        EXPECT_TRUE(owner.events.empty()) << c.textSize;
        surface.ClosePopup(true);
    }
}

TEST_F(PopupMenuTest, MultipleColumnsTrackTheColumnUnderThePointer) {
    auto owned = std::make_unique<PromptPopup>(&core, 10, 10, 70, 3, surface->GetPopupStyle());
    PromptPopup* popup = owned.get();
    for (const std::string& item : Items(7))
        popup->AddItem(item.c_str());
    surface->AddControl(std::move(owned));
    EXPECT_FALSE(popup->HasScrollBar());
    EXPECT_EQ(popup->Bounds(), (IBounds{10, 10, 10 + 3 * 70 + 4, 10 + 3 * 21}));
    struct Case {
        int x, y, hover;
    };
    const Case cases[] = {
        {10, 10, 0},           {12 + 2 * 70, 15, 2},  {10 + 3 * 70 + 4, 15, 2},
        {20, 10 + 2 * 21, 6},  {90, 10 + 2 * 21, -1}, // no seventh item in the last row
        {20, 10 + 3 * 21, -1},                        // the bottom edge is below every row
    };
    for (const Case& c : cases) {
        popup->MouseOver(c.x, c.y, IMouseKeys{});
        EXPECT_EQ(popup->HoverItem(), c.hover) << c.x << "," << c.y;
    }
    surface->Tick(); // separators and items paint without trouble
}

TEST_F(PopupMenuTest, ItemsAreTheDisplayTextsInTheirOrderAndChooseTheirOwnValues) {
    EventControl* sparse = Add<EventControl>(IBounds{150, 150, 170, 170}, PopupCore::kSparse);
    Click(160, 160, kRight);
    PromptPopup* popup = Popup();
    ASSERT_NE(popup, nullptr);
    ASSERT_EQ(popup->ItemCount(), 2);
    EXPECT_EQ(popup->Item(0), "Seven");
    EXPECT_EQ(popup->Item(1), "Five");
    EXPECT_EQ(popup->CurrentItem(), 0);
    const IBounds box = popup->Bounds();
    surface->MouseDownAt(box.left + 20, box.top + 21 + 5, kLeft);
    EXPECT_EQ(core.GetParam(PopupCore::kSparse)->PlainValue(), 5.0);
    EXPECT_EQ(sparse->events.back(), "choice 'Five' 1");
}
