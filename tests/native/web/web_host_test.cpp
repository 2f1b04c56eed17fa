// The web host's gate, its check of what pages send, the display list it sends back, and a
// device of it on a real bus (the i2c-dev code and libi2c against i2c_double.c).
#include "host/common/bus/linux/i2c_bus.h"
#include "host/common/bus/simulated_adapter.h"
#include "host/web/display_list.h"
#include "host/web/messages.h"
#include "host/web/page_sync.h"
#include "host/web/security.h"
#include "host/web/served_device.h"
#include "i2c_double.h"

#include <gtest/gtest.h>

#include <algorithm>

#include <string>
#include <variant>

namespace {

TEST(WebGate, AdmitsOnlyTheTokenFromTheServersOwnHostAndOrigin) {
    // A session's cookie opens; so does the printed token, until its first use.
    const std::string token(64, 'a'), wrong = std::string(63, 'a') + "b", session(64, 'c');
    const web::Gate loopback{{"127.0.0.1", 7140}, token, false, {session}}, lab{{"192.168.1.20", 8000}, token},
        any{{"0.0.0.0", 80}, token}, secure{{"192.168.1.20", 8000}, token, true, {session}}, used{{"127.0.0.1", 7140}, "", false, {session}};
    const std::string query = "x=1&token=" + token, cookie = "a=b; qm7140_7140=" + session;
    const struct {
        const web::Gate& gate;
        const char* host;
        const char* origin;  // null: none sent
        std::string query, cookie;
        bool upgrade, allowed;
        const char* site = nullptr;  // Sec-Fetch-Site
    } rows[] = {
        {loopback, "127.0.0.1:7140", nullptr, query, "", false, true},
        {loopback, "localhost:7140", "http://localhost:7140", "", cookie, true, true},
        {loopback, "LOCALHOST:7140", nullptr, query, "", false, true},
        {loopback, "127.0.0.1:7140", nullptr, "", cookie, true, false},                    // an upgrade needs Origin
        {loopback, "127.0.0.1:7140", "http://evil.example", query, "", false, false},
        {loopback, "127.0.0.1:7140", "http://localhost:7140", query, "", false, false},  // not the Host's origin
        {loopback, "evil.example:7140", nullptr, query, "", false, false},                 // a rebound name
        {loopback, "127.0.0.1:7141", nullptr, query, "", false, false},
        {loopback, "127.0.0.1", nullptr, query, "", false, false},
        {loopback, "127.0.0.1:7140", nullptr, "token=" + wrong, "qm7140_7140=" + wrong, false, false},
        {loopback, "127.0.0.1:7140", nullptr, "", "qm7140_7141=" + token, false, false},   // another port's cookie
        {loopback, "127.0.0.1:7140", nullptr, "token=" + token.substr(1), "", false, false},
        {lab, "192.168.1.20:8000", nullptr, "token=" + token, "", false, true},
        {lab, "localhost:8000", nullptr, "token=" + token, "", false, false},
        {any, "10.0.0.7:80", nullptr, "token=" + token, "", false, true},
        {any, "box.lan:80", nullptr, "token=" + token, "", false, false},
        {secure, "192.168.1.20:8000", "https://192.168.1.20:8000", "token=" + token, "", true, true},
        {secure, "192.168.1.20:8000", "http://192.168.1.20:8000", "token=" + token, "", true, false},  // not over TLS
        // A cookie another site planted first locks nobody out; under TLS only the __Host- name counts.
        {loopback, "127.0.0.1:7140", nullptr, "", "qm7140_7140=" + wrong + "; qm7140_7140=" + session, false, true},
        {secure, "192.168.1.20:8000", nullptr, "", "__Host-qm7140-8000=" + wrong + "; __Host-qm7140-8000=" + session, false, true},
        {secure, "192.168.1.20:8000", nullptr, "", "qm7140_8000=" + session, false, false},
        {loopback, "127.0.0.1:7140", nullptr, "", "qm7140_7140=" + token, false, false},  // the token is no session
        {used, "127.0.0.1:7140", nullptr, query, "", false, false},                        // a used token
        {used, "127.0.0.1:7140", nullptr, query, cookie, false, true},
        // Only the page itself, or an address typed or followed from outside a browser's page.
        {loopback, "127.0.0.1:7140", nullptr, "", cookie, false, true, "same-origin"},
        {loopback, "127.0.0.1:7140", nullptr, "", cookie, false, true, "none"},
        {loopback, "127.0.0.1:7140", nullptr, "", cookie, false, false, "same-site"},
        {loopback, "127.0.0.1:7140", nullptr, "", cookie, false, false, "cross-site"},
    };
    for (const auto& r : rows) {
        web::RequestFacts facts{r.host, std::nullopt, r.query, r.cookie, r.upgrade, std::nullopt};
        if (r.origin != nullptr) facts.origin = r.origin;
        if (r.site != nullptr) facts.fetchSite = r.site;
        EXPECT_EQ(web::Admit(r.gate, facts).allowed, r.allowed) << r.host << " " << (r.origin ? r.origin : "-") << " " << r.query;
    }
    EXPECT_EQ(secure.SetCookie(session), "__Host-qm7140-8000=" + session + "; Path=/; HttpOnly; SameSite=Strict; Secure");
    EXPECT_EQ(web::MakeToken().size(), 64u);
    EXPECT_NE(web::MakeToken(), web::MakeToken());
}

TEST(WebGate, ListensOnlyOnANumericAddressAndPort) {
    for (const char* good : {"127.0.0.1:0", "192.168.1.20:7140", "[::1]:7140", "0.0.0.0:65535"})
        EXPECT_TRUE(web::ParseEndpoint(good)) << good;
    for (const char* bad : {"localhost:7140", "127.0.0.1", "127.0.0.1:65536", "1.2.3:80", "1.2.3.4.5:80", "::1:80",
                            "256.1.1.1:80", "127.0.0.1:-1", "127.0.0.1:80x", ""})
        EXPECT_FALSE(web::ParseEndpoint(bad)) << bad;
    EXPECT_EQ(web::HostText(*web::ParseEndpoint("[::1]:9")), "[::1]:9");
}

TEST(WebMessages, TakeOnlyKnownTypesWithExactlyTheirFieldsInRange) {
    const struct {
        const char* text;
        bool taken;
    } rows[] = {
        {R"({"t":"click","dlg":2,"c":0})", true},
        {R"({"t":"mouse","dlg":1,"c":12,"a":1,"b":0,"x":-32768,"y":32767,"seq":9007199254740993})", true},
        {R"({"t":"mouse","dlg":1,"c":12,"a":0,"b":2,"x":0,"y":0})", true},
        {R"({"t":"text","dlg":1,"c":7,"text":"4.2","enter":true})", true},
        {R"({"t":"focus","dlg":0,"c":-1})", true},
        {R"({"t":"pos","dlg":1,"c":10,"v":2,"seq":7})", true},
        {R"({"t":"connect"})", true},
        {R"({"t":"undo"})", true},
        {R"({"t":"redo"})", true},
        {R"({"t":"undo","steps":2})", false},
        {R"({"t":"key","dlg":1,"c":12,"key":"BackTab"})", true},
        {R"({"t":"key","dlg":1,"c":12,"key":"Enter"})", false},
        {R"({"t":"key","dlg":1,"c":12,"key":3})", false},
        {R"({"t":"connect","dev":0})", false},
        {R"({"t":"click","dlg":3,"c":0})", false},
        {R"({"t":"click","dlg":0})", false},
        {R"({"t":"click","dlg":0,"c":0,"extra":1})", false},
        {R"({"t":"click","dlg":0.5,"c":0})", false},
        {R"({"t":"click","dlg":"0","c":0})", false},
        {R"({"t":"mouse","dlg":1,"c":12,"a":1,"b":0,"x":32768,"y":0,"seq":1})", false},
        {R"({"t":"reg","r":1,"v":18446744073709551615})", false},
        {R"({"t":"text","dlg":1,"c":7,"text":"\u00e9","enter":true})", false},
        {R"({"t":"text","dlg":1,"c":7,"text":"a\rb","enter":true})", false},
        {R"({"t":"sub","dev":16})", false},
        {R"(["t","click"])", false},
        {R"({"t":"click","dlg":0,"c":0)", false},
        {"", false},
    };
    for (const auto& r : rows) EXPECT_EQ(std::holds_alternative<web::Action>(web::ParseAction(r.text)), r.taken) << r.text;
    EXPECT_EQ(std::get<std::string>(web::ParseAction(std::string_view("{\"t\":\"readall\"}\0", 17))), "message holds a NUL byte");
    EXPECT_FALSE(std::holds_alternative<web::Action>(web::ParseAction(std::string(5000, ' ') + R"({"t":"readall"})")));
}

TEST(WebDisplayList, WritesOperationsAsOneJsonArrayWithTextsEscaped) {
    web::DisplayList list;
    const QM7140UiDrawing& d = web::DisplayListDrawing();
    d.fill_rect(&list, 0, 0, 602, 394, 0xFF000000u);
    d.text(&list, 20, -3, "a\"b\\c\n\xff\xc3\xa9", "Arial", 10, 0xFFFFFFFFu, 0xFF000000u);
    d.aa_line(&list, 1.25f, 2.0f, 3.333f, 4.999f, 0xFFBBBB00u, 1.5f, QM7140_UI_DASH_DOT);
    const QM7140UiArc arc{1, 2, 3, 4, 180.0f, 90.0f, 1};
    d.stroke_path(&list, &arc, 1, 0xFF0000FFu, 2.0f, QM7140_UI_DASH_SOLID);
    EXPECT_EQ(web::Dump(list.Finish()),
              "[0,0,0,602,394,4278190080,"
              "2,20,-3,\"a\\\"b\\\\c\\n\xef\xbf\xbd\xc3\xa9\",\"Arial\",10,4294967295,4278190080,"
              "4,1.25,2,3.33,5,4290493184,1.5,2,"
              "6,1,1,2,3,4,180,90,1,4278190335,2,0]");
}

// A page is sent everything once, then per form and control only the fields that changed,
// and nothing at all when nothing did.
TEST(WebPageSync, SendsOnlyWhatChangedSinceThePageLastHeard) {
    const host::Module module(QM7140_LIBRARY);
    web::ServedDevice device(module, host::SimulatedBus());
    web::PageView view;
    const auto sync = [&] {
        web::Json update = web::Json::object();
        web::Sync(module.Ui, device, view, update);
        return update;
    };
    const web::Json first = sync();
    ASSERT_EQ(first["forms"].size(), 3u);
    EXPECT_TRUE(first["controls"][0].contains("kind"));
    EXPECT_EQ(first["paints"].size(), 1u);
    EXPECT_TRUE(first.contains("regs"));
    // The register map once: the module's bindings, the first Digital Control's PLL source.
    ASSERT_EQ(first["map"].size(), 38u);
    int32_t pll = -1;
    ASSERT_EQ(module.Ui.find(device.device.Chip().Instance(), QM7140_DIALOG_DIGITAL_CONTROL, "PLLSource", &pll), QM7140_UI_OK);
    EXPECT_EQ(first["map"][0], web::Json::array({0, pll, 1, 0x30}));
    EXPECT_EQ(sync(), web::Json::object());

    module.SelectMenu(device.device.Chip().Instance(), QM7140_DIALOG_BOOST);
    int32_t enable = -1;
    ASSERT_EQ(module.Ui.find(device.device.Chip().Instance(), QM7140_DIALOG_BOOST, "EnableBoost", &enable), QM7140_UI_OK);
    sync();
    module.Ui.click(device.device.Chip().Instance(), QM7140_DIALOG_BOOST, enable);
    const web::Json clicked = sync();
    EXPECT_EQ(clicked["controls"], web::Json::parse(R"([{"dlg":2,"c":)" + std::to_string(enable) + R"(,"checked":true}])"));
    EXPECT_EQ(clicked["forms"], web::Json::parse(R"([{"dlg":2,"focused":)" + std::to_string(enable) + "}]"));
    EXPECT_EQ(clicked["regd"], web::Json::parse("[[2,64]]"));
    EXPECT_FALSE(clicked.contains("paints"));  // the Limiter view shows nothing of register 2
    EXPECT_EQ(sync(), web::Json::object());
}

// What a page typed, picked or slid is not what it was sent last: after its action the acting
// page gets the control whole as the module kept it (refused or rounded), the other page only
// what changed, here nothing.
TEST(WebPageSync, TheActingPageGetsTheActedControlWholeTheOthersOnlyWhatChanged) {
    const host::Module module(QM7140_LIBRARY);
    web::ServedDevice device(module, host::SimulatedBus());
    const QM7140Instance instance = device.device.Chip().Instance();
    web::PageView acting, other;
    const auto sync = [&](web::PageView& view) {
        web::Json update = web::Json::object();
        web::Sync(module.Ui, device, view, update);
        return update;
    };
    const auto find = [&](int32_t dialog, const char* name) {
        int32_t c = -1;
        EXPECT_EQ(module.Ui.find(instance, dialog, name, &c), QM7140_UI_OK) << name;
        return c;
    };
    // The page's action as the hub runs it: through the seam, then noted for the acting page.
    const auto act = [&](web::ActionType type, int32_t dialog, const char* name, auto seam) {
        web::Action action{.type = type, .dialog = dialog, .control = find(dialog, name)};
        seam(action.control);
        web::Acted(acting, action);
        return action.control;
    };
    const auto recordOf = [](const web::Json& update, int32_t dialog, int32_t c) {
        for (const web::Json& record : update.value("controls", web::Json::array()))
            if (record["dlg"] == dialog && record["c"] == c) return record;
        return web::Json::object();
    };
    const auto whole = [&](int32_t dialog, int32_t c, const char* field) {
        const web::Json record = recordOf(sync(acting), dialog, c);
        EXPECT_TRUE(record.contains("kind") && record.contains("caption")) << field << ": sent whole";
        EXPECT_EQ(recordOf(sync(other), dialog, c), web::Json::object()) << field;
        return record.value(field, web::Json());
    };
    constexpr int32_t dc = QM7140_DIALOG_DIGITAL_CONTROL, limiter = QM7140_DIALOG_LIMITER;
    module.SelectMenu(instance, dc);
    module.SelectMenu(instance, limiter);
    sync(acting);
    sync(other);

    // An edit refuses -1 and keeps its tag; typed again, a number the edit rounds comes back
    // rounded, though the text is what the page was sent before.
    const auto type = [&](int32_t dialog, const char* text) {
        return [=, &module](int32_t c) {
            module.Ui.type(instance, dialog, c, (std::string(8, QM7140_UI_KEY_BACKSPACE) + text + "\r").c_str());
        };
    };
    int32_t c = act(web::ActionType::Text, dc, "SDOUTTag", type(dc, "-1"));
    EXPECT_EQ(whole(dc, c, "text"), "0");
    c = act(web::ActionType::Text, limiter, "InflectionPoint", type(limiter, "4.2"));
    const web::Json rounded = recordOf(sync(acting), limiter, c)["text"];
    sync(other);
    EXPECT_EQ(rounded, "4.18");
    act(web::ActionType::Text, limiter, "InflectionPoint", type(limiter, "4.2"));
    EXPECT_EQ(whole(limiter, c, "text"), rounded);
    // A combo box's text and a list's pick the module refused; a track bar's position.
    c = act(web::ActionType::Select, dc, "DigitalSource",
            [&](int32_t i) { EXPECT_EQ(module.Ui.select(instance, dc, i, 9), QM7140_UI_ERR_RANGE); });
    EXPECT_EQ(whole(dc, c, "index"), 0);
    c = act(web::ActionType::Text, dc, "LRCLKIn", [&](int32_t i) { module.Ui.type(instance, dc, i, "\r"); });
    EXPECT_EQ(whole(dc, c, "text"), "8kHz");
    c = act(web::ActionType::Position, limiter, "Hysteresis",
            [&](int32_t i) { EXPECT_EQ(module.Ui.setPosition(instance, limiter, i, 9), QM7140_UI_ERR_RANGE); });
    EXPECT_EQ(whole(limiter, c, "pos"), 0);
    // A grid cell the chip refused: its register as it stands, to the acting page alone.
    const uint8_t held = device.device.Chip().Registers().bytes[4];
    device.device.SetRegister(4, held);
    web::Acted(acting, web::Action{.type = web::ActionType::Register, .reg = 4});
    EXPECT_EQ(sync(acting)["regd"], web::Json::parse("[[4," + std::to_string(held) + "]]"));
    EXPECT_FALSE(sync(other).contains("regd"));
}

// A chip on a bus: every failed transfer becomes an alert for every page of the device (and a
// log line), naming the register and the reason, and the cache keeps what the chip holds.
TEST(WebServedDevice, FailedTransfersAreAlertedAndTheCacheShowsTheChip) {
    qm7140_double_reset();
    qm7140_double.regs[2] = 0x55;
    const host::Module module(QM7140_LIBRARY);
    web::ServedDevice device(module, host::MakeI2cBus(QM7140_DOUBLE_PATH, 0x40));
    ASSERT_TRUE(device.device.Chip().Online());
    EXPECT_EQ(device.device.Chip().Registers().bytes[2], 0x55);
    uint64_t seen = 0;
    const auto alerts = [&] {
        std::string text;
        for (const std::string& line : device.journal.alerts.Since(seen, 100)) text += line + "\n";
        return text;
    };
    // The module's write goes to the chip; the grid's too.
    module.SelectMenu(device.device.Chip().Instance(), QM7140_DIALOG_BOOST);
    int32_t enable = -1;
    ASSERT_EQ(module.Ui.find(device.device.Chip().Instance(), QM7140_DIALOG_BOOST, "EnableBoost", &enable), QM7140_UI_OK);
    module.Ui.click(device.device.Chip().Instance(), QM7140_DIALOG_BOOST, enable);
    EXPECT_EQ(qm7140_double.regs[2], 0x15);
    device.device.SetRegister(0x14, 0x0C);
    EXPECT_EQ(qm7140_double.regs[0x14], 0x0C);
    EXPECT_EQ(alerts(), "");

    qm7140_double.refuse = 2;
    device.device.SetRegister(2, 0x00);
    EXPECT_EQ(device.device.Chip().Registers().bytes[2], 0x15);
    // A script stops at the refused write: register 1 after it never goes out.
    device.device.StartReplay("w 0x80 0x02 0x00\nd 0\nw 0x80 0x01 0x36\n", "script");
    device.device.PlayDue(host::Device::Clock::now());
    EXPECT_FALSE(device.device.Chip().Playing());
    EXPECT_EQ(qm7140_double.regs[1], 0x00);
    const std::string refused = "write reg 0x02 = 0x00 on " QM7140_DOUBLE_PATH " at 0x40: Remote I/O error; the chip holds 0x15\n";
    EXPECT_EQ(alerts(), refused + refused + "script:1: stopped here; nothing after this line was sent\n");
    qm7140_double.refuse = -1;

    qm7140_double.vanished = 1;
    module.Ui.click(device.device.Chip().Instance(), QM7140_DIALOG_BOOST, enable);
    EXPECT_EQ(alerts(), "") << "held until the module's call is over";
    device.device.Chip().Settle();
    qm7140_double.vanished = 0;
    device.device.SetRegister(2, 0x00);
    EXPECT_FALSE(device.device.Chip().Online());
    const std::string offline = "write reg 0x02 = 0x00 not sent: the bus is offline (" QM7140_DOUBLE_PATH
                                " at 0x40: No such device; connect re-opens it); the register shows 0x15";
    EXPECT_EQ(alerts(),
              "write reg 0x02 = 0x55 on " QM7140_DOUBLE_PATH " at 0x40: No such device; offline (connect re-opens); the "
              "register shows the last value read, 0x15\n" + offline + "\n");
    EXPECT_EQ(device.device.Chip().Registers().bytes[2] + qm7140_double.regs[2], 0x15 + 0x15);
    uint64_t first = 0;
    const auto log = device.journal.log.Since(first, 1000);
    EXPECT_TRUE(std::any_of(log.begin(), log.end(), [&](const std::string& l) { return l.ends_with("error: " + offline); }));
    device.device.Connect();
    EXPECT_TRUE(device.device.Chip().Online());
    qm7140_double_reset();
}

}  // namespace

// A page's write names the control that made it, in the saved log; a control the module does
// not have gets no entry of its own.
TEST(WebServedDevice, APagesWriteNamesItsControlAsTheSource) {
    const host::Module module(QM7140_LIBRARY);
    web::ServedDevice served(module, host::SimulatedBus());
    const QM7140Instance instance = served.device.Chip().Instance();
    module.SelectMenu(instance, QM7140_DIALOG_BOOST);
    int32_t enable = -1;
    ASSERT_EQ(module.Ui.find(instance, QM7140_DIALOG_BOOST, "EnableBoost", &enable), QM7140_UI_OK);
    {
        const host::Amplifier::Asking asking(served.device.Chip(), served.sources.Of(module.Ui, instance, QM7140_DIALOG_BOOST, enable));
        module.Ui.click(instance, QM7140_DIALOG_BOOST, enable);
    }
    ASSERT_FALSE(served.device.TransferLog().empty());
    EXPECT_EQ(served.device.TransferLog().back().source, "page: boost EnableBoost");
    EXPECT_EQ(*served.sources.Of(module.Ui, instance, QM7140_DIALOG_BOOST, 9999), "page");
    EXPECT_EQ(*served.sources.Of(module.Ui, instance, 7, 0), "page");
    EXPECT_EQ(served.sources.Size(), 2u);
}
