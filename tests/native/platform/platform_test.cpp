// Event semantics of the control model that every dialog relies on.
#include "platform/layout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace platform;

// Records what a peer is asked to mirror.
struct RecordingPeer final : Peer {
    std::vector<Change>* log;
    explicit RecordingPeer(std::vector<Change>* l) : log(l) {}
    void Update(Change what) override { log->push_back(what); }
};

TEST(Controls, CheckBoxFiresOnClickForUserClicksAndForCodeChangesThatChangeIt) {
    CheckBox box("Box");
    int clicks = 0;
    box.OnClick = [&] { ++clicks; };
    box.SetChecked(false);
    EXPECT_EQ(clicks, 0);
    box.SetChecked(true);
    box.SetChecked(true);
    EXPECT_EQ(clicks, 1);
    box.userClick();
    EXPECT_FALSE(box.Checked());
    EXPECT_EQ(clicks, 2);
    box.userSetChecked(true);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(clicks, 3);
}

TEST(Controls, ComboBoxFiresOnlyForTheUserAndMinusOneIsARealState) {
    ComboBox combo("Combo");
    combo.SetItems({"a", "b", "c"});
    int changes = 0;
    combo.OnChange = [&] { ++changes; };
    combo.SetItemIndex(2);
    EXPECT_EQ(changes, 0);
    EXPECT_EQ(combo.Text(), "c");
    combo.userSelect(1);
    combo.userSelect(1);
    EXPECT_EQ(changes, 2) << "every user selection notifies";
    EXPECT_EQ(combo.Text(), "b");
    combo.userEditText("zz");
    EXPECT_EQ(combo.ItemIndex(), -1);
    EXPECT_EQ(combo.Text(), "zz");
    EXPECT_EQ(changes, 3);
    for (int odd : {3, 100, -7}) {
        combo.SetItemIndex(odd);
        EXPECT_EQ(combo.ItemIndex(), -1) << odd;
        EXPECT_EQ(combo.Text(), "");
    }
    combo.SetItemIndex(0);
    combo.SetItems({"x"});
    EXPECT_EQ(combo.ItemIndex(), 0);
    combo.SetItems({});
    EXPECT_EQ(combo.ItemIndex(), -1);
}

TEST(Controls, RadioGroupFiresOnClickWhenTheIndexChangesFromCodeOrUser) {
    RadioGroup group("Group");
    group.SetItems({"Input", "Output"});
    int clicks = 0;
    group.OnClick = [&] { ++clicks; };
    EXPECT_EQ(group.ItemIndex(), -1);
    group.SetItemIndex(1);
    group.SetItemIndex(1);
    group.userSelect(0);
    group.userSelect(5);  // nothing there: back to no selection
    EXPECT_EQ(group.ItemIndex(), -1);
    EXPECT_EQ(clicks, 3);
}

TEST(Controls, TrackBarClampsAndFiresOnlyOnRealChanges) {
    TrackBar bar("Bar");
    bar.SetRange(0, 7);
    int changes = 0;
    bar.OnChange = [&] { ++changes; };
    bar.SetPosition(0);
    EXPECT_EQ(changes, 0);
    bar.SetPosition(9);
    EXPECT_EQ(bar.Position(), 7);
    bar.userSetPosition(7);
    EXPECT_EQ(changes, 1);
    bar.SetRange(0, 3);
    EXPECT_EQ(bar.Position(), 3);
    bar.SetPosition(-4);
    EXPECT_EQ(bar.Position(), 0);
    EXPECT_EQ(changes, 2);
}

TEST(Controls, EditKeyPressSeesEveryKeyAndMaySwallowIt) {
    Edit edit("Edit");
    std::string seen;
    int exits = 0;
    edit.OnKeyPress = [&](char& key) {
        seen += key;
        if (key == 'x') key = 0;
    };
    edit.OnExit = [&] { ++exits; };
    for (char c : std::string("1x2\r")) edit.userType(c);
    EXPECT_EQ(exits, 0) << "Enter is a key like any other";
    EXPECT_EQ(seen, "1x2\r");
    EXPECT_EQ(edit.Text(), "12");
    edit.userType('\b');
    edit.userType('\b');
    edit.userType('\b');
    EXPECT_EQ(edit.Text(), "");
}

TEST(Controls, PeersMirrorModelChangesWithoutFiringUserEvents) {
    std::vector<Change> log;
    CheckBox box("Box");
    box.AttachPeer(std::make_unique<RecordingPeer>(&log));
    box.SetChecked(true);
    box.SetCaption("Caption");
    box.SetCaption("Caption");
    EXPECT_EQ(log, (std::vector<Change>{Change::Checked, Change::Caption}));
}

struct TwoForms : ::testing::Test {
    Form a{"A"}, b{"B"};
    std::vector<std::string> events;
    void SetUp() override {
        for (Form* f : {&a, &b}) {
            f->OnActivate = [this, f] { events.push_back(f->Name() + "+"); };
            f->OnDeactivate = [this, f] { events.push_back(f->Name() + "-"); };
            f->OnHide = [this, f] { events.push_back(f->Name() + " hidden"); };
        }
    }
};

TEST_F(TwoForms, ShowActivatesAndTheOtherFormDeactivates) {
    a.Show();
    a.Show();
    b.Show();
    EXPECT_TRUE(b.Active());
    EXPECT_FALSE(a.Active());
    EXPECT_TRUE(a.Visible());
    EXPECT_EQ(events, (std::vector<std::string>{"A+", "A-", "B+"}));
}

TEST_F(TwoForms, ClosingHidesDeactivatesAndKeepsState) {
    auto& box = static_cast<CheckBox&>(a.Add(std::make_unique<CheckBox>("Box")));
    a.Show();
    box.userClick();
    a.userClose();
    a.userClose();
    EXPECT_FALSE(a.Visible());
    EXPECT_EQ(Form::LocalScreen().active, nullptr);
    EXPECT_TRUE(box.Checked());
    EXPECT_EQ(events, (std::vector<std::string>{"A+", "A-", "A hidden"}));
    b.Show();
    b.Hide();
    EXPECT_EQ(events.back(), "B hidden");
}

TEST_F(TwoForms, FocusLeavingAnEditFiresItsExit) {
    auto& e1 = static_cast<Edit&>(a.Add(std::make_unique<Edit>("E1")));
    auto& e2 = static_cast<Edit&>(a.Add(std::make_unique<Edit>("E2")));
    int exits1 = 0, exits2 = 0;
    e1.OnExit = [&] { ++exits1; };
    e2.OnExit = [&] { ++exits2; };
    a.userFocus(&e1);
    a.userFocus(&e1);
    a.userDeactivate();  // the form losing activation is no move of the focus
    a.userActivate();
    a.userFocus(&e1);
    EXPECT_EQ(exits1, 0);
    a.userFocus(&e2);
    a.userFocus(nullptr);
    EXPECT_EQ(exits1, 1);
    EXPECT_EQ(exits2, 1);
}

TEST(Layout, BuilderMakesEveryKindWithParentsGeometryAndInitialState) {
    const FormLayout layout{
        .name = "F",
        .caption = "Caption",
        .clientWidth = 300,
        .clientHeight = 200,
        .position = Point{5, 6},
        .controls = {
            {Kind::GroupBox, "Group", "", "Frame", {}, 0, {8, 8, 200, 100}, 0},
            {Kind::CheckBox, "Check", "Group", "Tick", {}, 1, {1, 2, 3, 4}, 2},
            {Kind::ComboBox, "Combo", "Group", "b", {"a", "b"}, 1, {}, 1},
            {Kind::RadioGroup, "Radio", "", "Mode", {"x", "y"}, -1, {}, 1},
            {Kind::TrackBar, "Track", "", "", {}, 2, {}, 2, 0, 3},
            {Kind::Edit, "Edit", "", "0", {}, 0, {}, 3},
            {Kind::Label, "Label", "", "Text:", {}, 0, {}, 4},
            {Kind::Button, "Button", "", "Reset", {}, 0, {}, 5},
            {Kind::PaintBox, "Paint", "", "", {}, 0, {}, 6},
        },
    };
    Form form(layout);
    EXPECT_EQ(form.Caption(), "Caption");
    EXPECT_EQ(form.Bounds.Width, 300);
    ASSERT_TRUE(form.DesignedPosition.has_value());
    EXPECT_EQ(form.DesignedPosition->Y, 6);
    auto& check = form.Get<CheckBox>("Check");
    EXPECT_TRUE(check.Checked());
    EXPECT_EQ(check.Parent(), form.FindControl("Group"));
    EXPECT_EQ(check.Bounds.Height, 4);
    EXPECT_EQ(check.TabOrder, 2);
    EXPECT_EQ(check.OwnerForm(), &form);
    EXPECT_EQ(form.Get<ComboBox>("Combo").Text(), "b");
    EXPECT_EQ(form.Get<RadioGroup>("Radio").ItemIndex(), -1);
    EXPECT_EQ(form.Get<TrackBar>("Track").Max(), 3);
    EXPECT_EQ(form.Get<Edit>("Edit").Text(), "0");
    EXPECT_EQ(form.Get<Label>("Label").Caption(), "Text:");
    EXPECT_EQ(form.Find<CheckBox>("Combo"), nullptr) << "wrong kind";
    EXPECT_EQ(form.FindControl("Nope"), nullptr);
    EXPECT_THROW(form.Get<Edit>("Nope"), std::logic_error);
}

TEST(Layout, AParentMustComeBeforeItsChildren) {
    FormLayout layout{.name = "F", .controls = {{Kind::Label, "L", "Later", "", {}, 0, {}, 0}}};
    EXPECT_THROW(Form{layout}, std::logic_error);
}

TEST(Forms, TheScreenCountsLiveFormsAndForgetsADestroyedActiveOne) {
    const int before = Form::LocalScreen().forms;
    {
        Form a("A");
        Form b("B");
        EXPECT_EQ(Form::LocalScreen().forms, before + 2);
        a.Show();
    }
    EXPECT_EQ(Form::LocalScreen().forms, before);
    EXPECT_EQ(Form::LocalScreen().active, nullptr) << "a destroyed active form leaves no dangling pointer";
}

}  // namespace
