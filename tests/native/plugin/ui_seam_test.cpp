// The UI seam as a Linux host uses it: libqm7140.so loaded by path, every qm7140_ui_*
// function resolved by name, nothing but the C headers.
#include "host/common/module/module.h"

#include <qm7140/ui.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace {

// The hosts' loader, which refuses a module that lacks any function of the seam.
struct Module : host::Module {
    Module() : host::Module(QM7140_LIBRARY) {}
    QM7140Instance New() const { return Init(0, 0, 0, 0); }
};

constexpr int32_t D = QM7140_DIALOG_DIGITAL_CONTROL, L = QM7140_DIALOG_LIMITER, B = QM7140_DIALOG_BOOST;

struct Seam : ::testing::Test {
    Module m;
    const host::Module::UiSeam& ui = m.Ui;
    QM7140Instance h = m.New();
    uint8_t regs[256] = {};
    std::vector<uint32_t> writes;
    std::function<void()> duringWrite;  // what the host does inside its write callback
    static inline Seam* current = nullptr;

    static void QM7140_CDECL Written(intptr_t, int32_t, int32_t, uint32_t reg, int32_t) {
        current->writes.push_back(reg);
        if (current->duringWrite) current->duringWrite();
    }
    void SetUp() override {
        current = this;
        ASSERT_EQ(ui.version(), QM7140_UI_VERSION);
        for (int32_t d : {D, L, B}) {
            QM7140RegisterWindow* w = m.GetI2CObject(h, d);
            w->Cache = regs;
            w->WriteCallback = &Written;
        }
        for (int32_t d : {D, L, B}) m.SelectMenu(h, d);
    }
    void TearDown() override { m.FreeCodecInstance(h); }

    int32_t Index(int32_t dialog, const char* name) {
        int32_t index = -1;
        EXPECT_EQ(ui.find(h, dialog, name, &index), QM7140_UI_OK) << name;
        return index;
    }
    QM7140UiControl Control(int32_t dialog, const char* name) {
        QM7140UiControl c{.size = sizeof c};
        EXPECT_EQ(ui.control(h, dialog, Index(dialog, name), &c), QM7140_UI_OK) << name;
        return c;
    }
    QM7140UiForm Form(int32_t dialog) {
        QM7140UiForm f{.size = sizeof f};
        EXPECT_EQ(ui.form(h, dialog, &f), QM7140_UI_OK);
        return f;
    }
};

TEST_F(Seam, AFormListsItsControlsInTabOrderDepthFirst) {
    const QM7140UiForm f = Form(B);
    EXPECT_STREQ(f.name, "BoostForm");
    EXPECT_STREQ(f.font_name, "Tahoma");
    EXPECT_EQ(f.width, 379);
    EXPECT_EQ(f.visible, 1);
    EXPECT_EQ(f.active, 1);
    EXPECT_EQ(f.focused, -1);
    std::vector<std::string> names;
    std::vector<int32_t> parents;
    for (int32_t i = 0; i < f.control_count; ++i) {
        QM7140UiControl c{.size = sizeof c};
        ASSERT_EQ(ui.control(h, B, i, &c), QM7140_UI_OK);
        names.push_back(c.name);
        parents.push_back(c.parent);
    }
    EXPECT_EQ(names, (std::vector<std::string>{"GroupBox4", "StaticText7", "StaticText8", "APTThreshold", "APTDelay",
                                               "EnableAPT", "EnableBoost"}));
    EXPECT_EQ(parents, (std::vector<int32_t>{-1, 0, 0, 0, 0, 0, -1}));
    const QM7140UiControl delay = Control(B, "APTDelay");
    EXPECT_EQ(delay.kind, QM7140_UI_COMBO_BOX);
    EXPECT_EQ(delay.caption, nullptr);
    EXPECT_STREQ(delay.text, "50ms");
    EXPECT_EQ(delay.item_count, 4);
    const char* text = nullptr;
    EXPECT_EQ(ui.item(h, B, Index(B, "APTDelay"), 3, &text), QM7140_UI_OK);
    EXPECT_STREQ(text, "200ms");

    // A record of the first version inside a larger buffer: nothing past its size is written.
    unsigned char buffer[sizeof(QM7140UiForm) + 8];
    std::memset(buffer, 0xAB, sizeof buffer);
    const uint32_t size = QM7140_UI_FORM_V1_SIZE;
    std::memcpy(buffer, &size, sizeof size);
    ASSERT_EQ(ui.form(h, B, reinterpret_cast<QM7140UiForm*>(buffer)), QM7140_UI_OK);
    for (size_t i = QM7140_UI_FORM_V1_SIZE; i < sizeof buffer; ++i) EXPECT_EQ(buffer[i], 0xAB) << i;
}

// Every action on every kind of control: the writes it makes, and both counters move.
TEST_F(Seam, EachActionWritesItsRegistersAndMovesTheCounters) {
    struct Row {
        int32_t dialog;
        const char* control;
        std::function<QM7140UiStatus(int32_t index)> act;
        std::vector<uint32_t> writes;
        bool controlChanges = true;  // a button's record, say, shows nothing new
    };
    const std::vector<Row> rows = {
        {B, "EnableBoost", [&](int32_t c) { return ui.click(h, B, c); }, {2}},
        {B, "APTThreshold", [&](int32_t c) { return ui.select(h, B, c, 2); }, {20}},
        {B, "APTDelay", [&](int32_t c) { return ui.type(h, B, c, "\b\b1"); }, {20, 20, 20}},
        {D, "InputMode", [&](int32_t c) { return ui.select(h, D, c, 1); }, {3}},
        {D, "SDOUTTag", [&](int32_t c) { return ui.type(h, D, c, "\b12\r"); }, {4}},
        {D, "SDOUTTag", [&](int32_t) { return ui.focus(h, D, -1); }, {4}, false},
        {D, "Reset", [&](int32_t c) { return ui.click(h, D, c); }, {1, 1}, false},
        {L, "AttackTime", [&](int32_t c) { return ui.setPosition(h, L, c, 7); }, {14}},
        {L, "LimiterPaintBox",
         [&](int32_t c) {
             // 4.2 V puts the inflection cursor at (391, 97).
             QM7140UiStatus s = ui.type(h, L, Index(L, "InflectionPoint"), "\b\b\b\b4.2\r");
             if (s == QM7140_UI_OK) s = ui.mouse(h, L, c, QM7140_UI_MOUSE_DOWN, QM7140_UI_BUTTON_LEFT, 391, 97);
             if (s == QM7140_UI_OK) s = ui.mouse(h, L, c, QM7140_UI_MOUSE_MOVE, QM7140_UI_BUTTON_LEFT, 330, 60);
             if (s == QM7140_UI_OK) s = ui.mouse(h, L, c, QM7140_UI_MOUSE_UP, QM7140_UI_BUTTON_LEFT, 330, 60);
             return s;
         },
         {11, 13, 11, 13}},
        {L, "LimiterPaintBox", [&](int32_t c) { return ui.resize(h, L, c, 500, 300); }, {}},
    };
    for (const Row& row : rows) {
        const int32_t index = Index(row.dialog, row.control);
        const uint32_t form = Form(row.dialog).changes, control = Control(row.dialog, row.control).changes;
        writes.clear();
        EXPECT_EQ(row.act(index), QM7140_UI_OK) << row.control;
        EXPECT_EQ(writes, row.writes) << row.control;
        EXPECT_NE(Form(row.dialog).changes, form) << row.control;
        if (row.controlChanges) {
            EXPECT_NE(Control(row.dialog, row.control).changes, control) << row.control;
        }
    }
    EXPECT_EQ(Control(L, "LimiterPaintBox").width, 500);
    EXPECT_STREQ(Control(D, "SDOUTTag").text, "12");
    EXPECT_EQ(Control(L, "AttackTime").position, 7);
}

// Each arrow moves the chosen cursor of the curve view by exactly one code of its register,
// at every code and both ways, and writes what a drag of that cursor writes: 11 then 13, or
// 12. At either end the cursor holds, nothing is written and the key is left unused.
TEST_F(Seam, CurveKeysMoveACursorOneCodeAtEveryCodeAndWriteAsItsDrag) {
    using Writes = std::vector<std::pair<uint32_t, uint8_t>>;
    const int32_t box = Index(L, "LimiterPaintBox");
    Writes written;
    duringWrite = [&] { written.emplace_back(writes.back(), regs[writes.back()]); };
    const auto press = [&](QM7140UiKey key) {
        written.clear();
        int32_t used = -1;
        EXPECT_EQ(ui.key(h, L, box, key, &used), QM7140_UI_OK);
        return used;
    };
    const struct {
        uint32_t reg;
        QM7140UiKey down, up;
    } walks[] = {{11, QM7140_UI_KEY_LEFT, QM7140_UI_KEY_RIGHT},
                 {13, QM7140_UI_KEY_DOWN, QM7140_UI_KEY_UP},
                 {12, QM7140_UI_KEY_LEFT, QM7140_UI_KEY_RIGHT},
                 {12, QM7140_UI_KEY_UP, QM7140_UI_KEY_DOWN}};
    for (const auto& walk : walks) {
        if (walk.reg == 12) press(QM7140_UI_KEY_TAB);  // the slope cursor, once chosen stays
        while (press(walk.down) == 1) {}
        ASSERT_EQ(regs[walk.reg], 0) << walk.reg;
        for (const QM7140UiKey key : {walk.up, walk.down}) {
            const int step = key == walk.up ? 1 : -1;
            for (int k = 0; k < 255; ++k) {
                const uint8_t ip = regs[11], level = regs[13], slope = regs[12];
                ASSERT_EQ(press(key), 1) << walk.reg << " at " << int(regs[walk.reg]);
                EXPECT_EQ(regs[walk.reg], (walk.reg == 11 ? ip : walk.reg == 13 ? level : slope) + step);
                const Writes drag = walk.reg == 12 ? Writes{{12, regs[12]}} : Writes{{11, regs[11]}, {13, regs[13]}};
                EXPECT_EQ(written, drag);
            }
            const uint8_t end = regs[walk.reg];
            EXPECT_EQ(press(key), 0) << walk.reg << " held at " << int(end);
            EXPECT_EQ(regs[walk.reg], end);
            EXPECT_EQ(written, Writes{});
        }
    }
    // Tab past the slope cursor and Shift+Tab past the inflection cursor go on unused.
    EXPECT_EQ(press(QM7140_UI_KEY_TAB), 0);
    EXPECT_EQ(press(QM7140_UI_KEY_BACK_TAB), 1);
    EXPECT_EQ(press(QM7140_UI_KEY_BACK_TAB), 0);
    EXPECT_EQ(ui.key(h, L, box, QM7140_UI_KEY_RIGHT, nullptr), QM7140_UI_OK);
    EXPECT_EQ(written, (Writes{{11, 1}, {13, 0}}));
    EXPECT_STREQ(Control(L, "InflectionPoint").text, "1.13");
}

// The register map is the module's own: each binding's control, acted on, writes its
// register, and the handlers that write registers by hand are there too.
TEST_F(Seam, EachBindingNamesARegisterItsControlWrites) {
    std::vector<std::string> named;
    QM7140UiBinding b{.size = sizeof b};
    int32_t count = 0;
    for (; ui.binding(h, count, &b) == QM7140_UI_OK; ++count) {
        ASSERT_TRUE(b.mask >= 1 && b.mask <= 255 && b.reg >= 0 && b.reg <= 255) << count;
        QM7140UiControl c{.size = sizeof c};
        ASSERT_EQ(ui.control(h, b.dialog, b.control, &c), QM7140_UI_OK) << count;
        const std::string name = std::to_string(b.dialog) + ":" + c.name + "@" + std::to_string(b.reg);
        named.push_back(name);
        writes.clear();
        switch (c.kind) {
        case QM7140_UI_CHECK_BOX:
        case QM7140_UI_BUTTON: ASSERT_EQ(ui.click(h, b.dialog, b.control), QM7140_UI_OK); break;
        case QM7140_UI_COMBO_BOX:
        case QM7140_UI_RADIO_GROUP:
            ASSERT_EQ(ui.select(h, b.dialog, b.control, (c.item_index + 1) % c.item_count), QM7140_UI_OK);
            break;
        case QM7140_UI_TRACK_BAR:
            ASSERT_EQ(ui.setPosition(h, b.dialog, b.control, c.position < c.max ? c.position + 1 : c.min), QM7140_UI_OK);
            break;
        case QM7140_UI_EDIT:
            ASSERT_EQ(ui.type(h, b.dialog, b.control, (std::string(strlen(c.text), QM7140_UI_KEY_BACKSPACE) + "3\r").c_str()),
                      QM7140_UI_OK);
            break;
        default: FAIL() << name << " is bound but takes no value";
        }
        EXPECT_NE(std::find(writes.begin(), writes.end(), static_cast<uint32_t>(b.reg)), writes.end()) << name;
    }
    EXPECT_EQ(count, 21 + 3 + 7 + 3 + 4);
    for (const char* hand : {"0:SDOUTTag@4", "0:DataOffset@6", "0:Reset@1", "1:InflectionPoint@11", "1:Slope@12", "1:Level@13"})
        EXPECT_NE(std::find(named.begin(), named.end(), hand), named.end()) << hand;
    const QM7140Instance freed = m.New();
    m.FreeCodecInstance(freed);
    QM7140UiBinding small{.size = QM7140_UI_BINDING_V1_SIZE - 1};
    EXPECT_EQ(ui.binding(h, count, &b), QM7140_UI_ERR_RANGE);
    EXPECT_EQ(ui.binding(h, -1, &b), QM7140_UI_ERR_RANGE);
    EXPECT_EQ(ui.binding(h, 0, &small), QM7140_UI_ERR_ARGUMENT);
    EXPECT_EQ(ui.binding(h, 0, nullptr), QM7140_UI_ERR_ARGUMENT);
    EXPECT_EQ(ui.binding(freed, 0, &b), QM7140_UI_ERR_INSTANCE);
}

TEST_F(Seam, TypingInAComboBoxFollowsTheFirstItemItBegins) {
    const int32_t c = Index(B, "APTDelay");
    const struct {
        const char* keys;
        const char* text;
        int32_t index;
    } rows[] = {
        {"\b\b\b\b", "", -1}, {"\b", "", -1}, {"1", "1", 2}, {"0", "10", -1}, {"\b2", "12", 2}, {"5MS\r", "125MS", 2},
    };
    for (const auto& row : rows) {
        ASSERT_EQ(ui.type(h, B, c, row.keys), QM7140_UI_OK) << row.keys;
        EXPECT_STREQ(Control(B, "APTDelay").text, row.text);
        EXPECT_EQ(Control(B, "APTDelay").item_index, row.index) << row.keys;
    }
}

// Focus first: the edit's exit writes its register before the button's writes.
TEST_F(Seam, AClickElsewhereLeavesTheEditFirst) {
    ASSERT_EQ(ui.type(h, D, Index(D, "SDOUTTag"), "\b7"), QM7140_UI_OK);
    EXPECT_EQ(Form(D).focused, Index(D, "SDOUTTag"));
    writes.clear();
    ASSERT_EQ(ui.click(h, D, Index(D, "Reset")), QM7140_UI_OK);
    EXPECT_EQ(writes, (std::vector<uint32_t>{4, 1, 1}));
    EXPECT_EQ(Form(D).focused, Index(D, "Reset"));
}

TEST_F(Seam, ActivationFocusAndNotificationsMoveTheCounters) {
    const uint32_t boost = Form(B).changes, limiter = Form(L).changes;
    ASSERT_EQ(ui.activate(h, L), QM7140_UI_OK);  // Boost, active before, stops being so
    EXPECT_EQ(Form(B).active, 0);
    EXPECT_NE(Form(B).changes, boost);
    EXPECT_NE(Form(L).changes, limiter);

    const uint32_t threshold = Control(B, "APTThreshold").changes, form = Form(B).changes;
    regs[20] = 0x0C;
    QM7140RegisterWindow* w = m.GetI2CObject(h, B);
    w->Ops->RegisterChanged(w, 128, 0, 20);
    EXPECT_EQ(Control(B, "APTThreshold").item_index, 3);
    EXPECT_NE(Control(B, "APTThreshold").changes, threshold);
    EXPECT_NE(Form(B).changes, form);

    const uint32_t before = Form(D).changes;
    ASSERT_EQ(ui.focus(h, D, Index(D, "PDMIn")), QM7140_UI_OK);
    EXPECT_NE(Form(D).changes, before);
    ASSERT_EQ(ui.close(h, D), QM7140_UI_OK);
    EXPECT_EQ(Form(D).visible, 0);
    EXPECT_EQ(ui.close(h, D), QM7140_UI_OK);
}

TEST_F(Seam, EveryRefusalHasItsStatusAndChangesNothing) {
    int foreign = 0;
    const QM7140Instance freed = m.New();
    m.FreeCodecInstance(freed);
    const int32_t boxB = Index(B, "EnableBoost"), delay = Index(B, "APTDelay"), label = Index(B, "StaticText7"),
                  attack = Index(L, "AttackTime"), paintBox = Index(L, "LimiterPaintBox");
    QM7140UiForm f{.size = sizeof f};
    QM7140UiControl c{.size = sizeof c};
    QM7140UiForm shortForm{.size = QM7140_UI_FORM_V1_SIZE - 1};
    QM7140UiControl shortControl{.size = QM7140_UI_CONTROL_V1_SIZE - 1};
    const QM7140UiDrawing table{.size = sizeof table}, shortTable{.size = QM7140_UI_DRAWING_V1_SIZE - 8};
    const char* text = nullptr;
    int32_t found = 0;
    const std::vector<std::pair<std::function<QM7140UiStatus()>, QM7140UiStatus>> rows = {
        {[&] { return ui.form(&foreign, B, &f); }, QM7140_UI_ERR_INSTANCE},
        {[&] { return ui.click(nullptr, B, boxB); }, QM7140_UI_ERR_INSTANCE},
        {[&] { return ui.control(freed, B, 0, &c); }, QM7140_UI_ERR_INSTANCE},
        {[&] { return ui.form(h, 3, &f); }, QM7140_UI_ERR_DIALOG},
        {[&] { return ui.activate(h, -1); }, QM7140_UI_ERR_DIALOG},
        {[&] { return ui.control(h, B, 7, &c); }, QM7140_UI_ERR_CONTROL},
        {[&] { return ui.click(h, B, -1); }, QM7140_UI_ERR_CONTROL},
        {[&] { return ui.find(h, B, "NoSuchBox", &found); }, QM7140_UI_ERR_CONTROL},
        {[&] { return ui.form(h, B, nullptr); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.form(h, B, &shortForm); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.control(h, B, 0, &shortControl); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.find(h, B, nullptr, &found); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.item(h, B, delay, 0, nullptr); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.type(h, B, delay, nullptr); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.paint(h, L, paintBox, nullptr, nullptr); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.paint(h, L, paintBox, &shortTable, nullptr); }, QM7140_UI_ERR_ARGUMENT},
        {[&] { return ui.click(h, B, delay); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.select(h, B, boxB, 0); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.type(h, B, boxB, "1"); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.focus(h, B, label); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.item(h, B, boxB, 0, &text); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.setPosition(h, B, delay, 0); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.mouse(h, L, attack, 0, 0, 1, 1); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.resize(h, L, attack, 10, 10); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.paint(h, L, attack, &table, nullptr); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.select(h, B, delay, 4); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.item(h, B, delay, -1, &text); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.type(h, B, delay, "1\t"); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.setPosition(h, L, attack, 8); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.mouse(h, L, paintBox, 3, 0, 1, 1); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.mouse(h, L, paintBox, 0, 3, 1, 1); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.mouse(h, L, paintBox, 0, 0, 32768, 1); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.resize(h, L, paintBox, 0, 10); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.resize(h, L, paintBox, 10, 8193); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.key(h, L, attack, QM7140_UI_KEY_LEFT, &found); }, QM7140_UI_ERR_KIND},
        {[&] { return ui.key(h, L, paintBox, 0, &found); }, QM7140_UI_ERR_RANGE},
        {[&] { return ui.key(h, L, paintBox, QM7140_UI_KEY_BACK_TAB + 1, nullptr); }, QM7140_UI_ERR_RANGE},
    };
    for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i].first(), rows[i].second) << "row " << i;
    EXPECT_EQ(writes, std::vector<uint32_t>{});

    // Hidden: the user cannot reach it, but a snapshot can still paint it.
    ASSERT_EQ(ui.close(h, B), QM7140_UI_OK);
    EXPECT_EQ(ui.click(h, B, boxB), QM7140_UI_ERR_HIDDEN);
    EXPECT_EQ(ui.focus(h, B, -1), QM7140_UI_ERR_HIDDEN);
    EXPECT_EQ(ui.activate(h, B), QM7140_UI_ERR_HIDDEN);
    ASSERT_EQ(ui.close(h, L), QM7140_UI_OK);
    EXPECT_EQ(ui.key(h, L, paintBox, QM7140_UI_KEY_RIGHT, nullptr), QM7140_UI_ERR_HIDDEN);
    EXPECT_EQ(ui.paint(h, L, paintBox, &table, nullptr), QM7140_UI_OK);

    // Busy: from inside a write callback the host may read, but not act or paint.
    std::vector<QM7140UiStatus> inside;
    duringWrite = [&] {
        if (inside.empty()) inside = {ui.click(h, D, Index(D, "Mute")), ui.paint(h, L, paintBox, &table, nullptr), ui.form(h, D, &f)};
    };
    ASSERT_EQ(ui.click(h, D, Index(D, "Mute")), QM7140_UI_OK);
    EXPECT_EQ(inside, (std::vector<QM7140UiStatus>{QM7140_UI_ERR_BUSY, QM7140_UI_ERR_BUSY, QM7140_UI_OK}));
    EXPECT_EQ(writes, std::vector<uint32_t>{1});
}

// The curve view through a table that records: canvas calls in the host's colours, the
// cursors' rounded squares as closed paths of four arcs.
struct Recorder {
    std::vector<std::string> ops;
    static Recorder& Of(void* context) { return *static_cast<Recorder*>(context); }
    static std::string Hex(uint32_t v) {
        char text[12];
        std::snprintf(text, sizeof text, "%08X", v);
        return text;
    }
    static void FillRect(void* c, int32_t l, int32_t t, int32_t r, int32_t b, uint32_t argb) {
        Of(c).ops.push_back("rect " + std::to_string(l) + " " + std::to_string(t) + " " + std::to_string(r) + " " +
                            std::to_string(b) + " " + Hex(argb));
    }
    static void Line(void*, int32_t, int32_t, int32_t, int32_t, uint32_t, int32_t) {}
    static void Text(void* c, int32_t, int32_t, const char* text, const char* font, int32_t points, uint32_t argb,
                     uint32_t back) {
        Of(c).ops.push_back("text " + std::string(text) + " " + font + " " + std::to_string(points) + " " + Hex(argb) +
                            " " + Hex(back));
    }
    static void TextUp(void* c, int32_t, int32_t, const char* text, const char*, int32_t, uint32_t, uint32_t) {
        Of(c).ops.push_back("up " + std::string(text));
    }
    static void Path(void* c, const QM7140UiArc* arcs, uint32_t count, uint32_t argb, float, QM7140UiDash) {
        std::string op = "path " + Hex(argb);
        for (uint32_t i = 0; i < count; ++i)
            op += " " + std::to_string(static_cast<int>(arcs[i].sweep)) + (arcs[i].close_figure ? "!" : "");
        Of(c).ops.push_back(op);
    }
};

TEST_F(Seam, PaintingCallsTheHostsOperationsInOrderAndSkipsWhatItLacks) {
    const int32_t box = Index(L, "LimiterPaintBox");
    const QM7140UiDrawing full{.size = sizeof full,
                               .fill_rect = Recorder::FillRect,
                               .line = Recorder::Line,
                               .text = Recorder::Text,
                               .text_up = Recorder::TextUp,
                               .stroke_path = Recorder::Path};
    Recorder r;
    ASSERT_EQ(ui.paint(h, L, box, &full, &r), QM7140_UI_OK);
    ASSERT_GT(r.ops.size(), 4u);
    EXPECT_EQ(r.ops.front(), "rect 0 0 602 394 FF000000");
    EXPECT_EQ(r.ops[1], "text 1 Arial 10 FFFFFFFF FF000000");
    EXPECT_EQ(std::count(r.ops.begin(), r.ops.end(), "up Level [V]"), 1);
    EXPECT_EQ(r.ops.back(), "path FFFFFF00 90 90 90 90!") << "the yellow slope cursor, last";

    Recorder early;
    const QM7140UiDrawing rectsOnly{.size = sizeof rectsOnly, .fill_rect = Recorder::FillRect};
    ASSERT_EQ(ui.paint(h, L, box, &rectsOnly, &early), QM7140_UI_OK) << "null operations are skipped";
    EXPECT_EQ(early.ops, std::vector<std::string>{"rect 0 0 602 394 FF000000"});
}

}  // namespace
