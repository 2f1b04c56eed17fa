// The bench's requests of the web host: presets on a shelf, a state applied to the chip, and
// comparisons with a preset, a file and another device, each bounded and refused cleanly.
#include "host/common/bus/simulated_adapter.h"
#include "host/web/bench_routes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Bench {
    host::Module module{QM7140_LIBRARY};
    std::vector<std::unique_ptr<web::ServedDevice>> devices;
    std::filesystem::path shelf = std::filesystem::path(::testing::TempDir()) / ("bench-shelf-" + std::to_string(::getpid()));
    std::vector<int> changed;
    Bench() {
        std::filesystem::remove_all(shelf);
        for (int d = 0; d < 2; ++d) devices.push_back(std::make_unique<web::ServedDevice>(module, host::SimulatedBus()));
    }
    ~Bench() { std::filesystem::remove_all(shelf); }
    web::HttpReply Ask(std::string method, std::string path, std::string query, std::string body = {}, std::string error = {}) {
        const web::Routes routes{2, [this](int d) -> web::ServedDevice& { return *devices[static_cast<size_t>(d)]; },
                                 [this](int d) { changed.push_back(d); }, error.empty() ? shelf : std::filesystem::path(), error};
        return web::Route(routes, {std::move(method), std::move(path), std::move(query), std::move(body)});
    }
    host::Device& Chip(int d) { return devices[static_cast<size_t>(d)]->device; }
};

TEST(WebBench, PresetsSavedAskedBeforeReplacingAppliedComparedAndDeleted) {
    Bench b;
    const uint8_t golden = b.Chip(0).Chip().Registers().bytes[6];
    EXPECT_EQ(b.Ask("POST", "/preset", "dev=0&do=save&name=golden+1").status, 200);
    const struct {
        const char* query;
        int status;
        const char* says;
    } rows[] = {
        {"dev=0&do=save&name=golden+1", 409, "preset \"golden 1\" exists"},
        {"dev=0&do=save&name=up%2Fescape", 400, "path separator"},
        {"dev=0&do=save&name=.hidden", 400, "starts with a dot"},
        {"dev=0&do=save&name=%2", 400, "broken %-escape"},
        {"dev=0&do=save&name=", 400, "needs a name"},
        {"dev=0&do=rename&name=golden+1", 400, "save, apply or delete"},
        {"dev=0&do=apply&name=missing", 400, "no preset \"missing\""},
    };
    for (const auto& r : rows) {
        const auto reply = b.Ask("POST", "/preset", r.query);
        EXPECT_EQ(reply.status, r.status) << r.query;
        EXPECT_NE(reply.body.find(r.says), std::string::npos) << r.query << ": " << reply.body;
    }
    EXPECT_EQ(nlohmann::json::parse(b.Ask("GET", "/presets", "dev=1").body)["names"], nlohmann::json({"golden 1"}));

    // A setting moves: the preset and the other device differ from the chip in it alone.
    b.changed.clear();
    b.Chip(0).SetRegister(6, 0x2A);
    b.Chip(0).EndAction();
    EXPECT_TRUE(b.Chip(0).ChangedSincePreset());
    for (const char* side : {"preset:golden%201", "device:2"}) {
        const auto reply = b.Ask("GET", "/compare", std::string("dev=0&a=") + side);
        ASSERT_EQ(reply.status, 200) << reply.body;
        const auto json = nlohmann::json::parse(reply.body);
        EXPECT_EQ(json["b"], "chip");
        EXPECT_EQ(json["registers"], nlohmann::json::parse("[[6," + std::to_string(golden) + ",42]]")) << side;
        ASSERT_EQ(json["fields"].size(), 1U) << side;
        EXPECT_EQ(json["fields"][0]["control"], "DataOffset");
        EXPECT_NE(json["fields"][0]["b"], json["fields"][0]["a"]);
    }
    EXPECT_EQ(b.Ask("GET", "/compare", "dev=1&a=device:1&b=chip").status, 200);
    EXPECT_EQ(b.changed, (std::vector<int>{0, 0, 1, 0, 1}));  // each device read, once

    const auto applied = b.Ask("POST", "/preset", "dev=0&do=apply&name=golden%201");
    EXPECT_EQ(applied.status, 200);
    EXPECT_NE(applied.body.find("wrote 1 register(s) (0x06)"), std::string::npos) << applied.body;
    EXPECT_EQ(b.Chip(0).Chip().Registers().bytes[6], golden);
    EXPECT_EQ(b.Chip(0).Preset(), "golden 1");
    EXPECT_FALSE(b.Chip(0).ChangedSincePreset());

    EXPECT_EQ(b.Ask("POST", "/preset", "dev=0&do=save&name=golden+1&force=1").status, 200);
    EXPECT_EQ(b.Ask("POST", "/preset", "dev=0&do=delete&name=golden+1").status, 200);
    EXPECT_EQ(b.Ask("POST", "/preset", "dev=0&do=delete&name=golden+1").status, 400);
    EXPECT_EQ(b.Ask("GET", "/presets", "dev=0").body, R"({"names":[]})");
}

TEST(WebBench, AStateIsAppliedOrComparedWholeAndABadRequestChangesNothing) {
    Bench b;
    const auto before = b.Chip(0).Chip().Registers().bytes;
    const struct {
        const char* method;
        const char* path;
        const char* query;
        const char* body;
        int status;
        const char* says;
    } rows[] = {
        {"POST", "/apply", "dev=0", "0x06 0x11\nnot a line\n", 400, "state file"},
        {"GET", "/apply", "dev=0", "", 405, "POST"},
        {"GET", "/compare", "dev=0&a=device:3", "", 400, "no device \"3\""},
        {"GET", "/compare", "dev=0&a=device:0", "", 400, "no device \"0\""},
        {"GET", "/compare", "dev=0&a=elsewhere", "", 400, "chip, device:N or preset:NAME"},
        {"GET", "/compare", "dev=0", "", 400, "chip, device:N or preset:NAME"},
        {"POST", "/presets", "dev=0", "", 405, "GET"},
        {"GET", "/preset", "dev=0&do=save&name=x", "", 405, "POST"},
        {"POST", "/preset", "dev=2&do=save&name=x", "", 400, "no such device"},
    };
    for (const auto& r : rows) {
        const auto reply = b.Ask(r.method, r.path, r.query, r.body);
        EXPECT_EQ(reply.status, r.status) << r.path << "?" << r.query;
        EXPECT_NE(reply.body.find(r.says), std::string::npos) << r.path << "?" << r.query << ": " << reply.body;
    }
    EXPECT_EQ(b.Chip(0).Chip().Registers().bytes, before);
    // Without a shelf, a preset says why.
    const auto shelfless = b.Ask("GET", "/presets", "dev=0", "", "no folder for presets: HOME is not set");
    EXPECT_EQ(shelfless.status, 400);
    EXPECT_EQ(shelfless.body, "no folder for presets: HOME is not set\n");

    const auto applied = b.Ask("POST", "/apply", "dev=0", "# a bench file\n0x06 0x11\n0x07 " + std::to_string(before[7]) + "\n0x40 0x01\n");
    EXPECT_EQ(applied.status, 200) << applied.body;
    EXPECT_NE(applied.body.find("wrote 1 register(s) (0x06), 1 already equal"), std::string::npos) << applied.body;
    EXPECT_EQ(b.Chip(0).Chip().Registers().bytes[6], 0x11);
    EXPECT_EQ(b.Chip(0).Chip().Registers().bytes[0x40], before[0x40]);  // past the dialogs' registers: never
    EXPECT_EQ(nlohmann::json::parse(b.Ask("POST", "/compare", "dev=0", "0x06 0x11\n").body)["equal"], true);
    EXPECT_EQ(nlohmann::json::parse(b.Ask("POST", "/compare", "dev=0&b=device:2", "0x06 0x11\n").body)["equal"], false);
    // Undone as one step, as the person's own.
    EXPECT_TRUE(b.Chip(0).Undo());
    EXPECT_EQ(b.Chip(0).Chip().Registers().bytes[6], before[6]);
}

TEST(WebBench, QueryValuesAreDecodedOrRefused) {
    const struct {
        const char* text;
        std::optional<std::string> decoded;
    } rows[] = {
        {"a+b", "a b"}, {"%41%2f", "A/"}, {"", ""}, {"%", std::nullopt}, {"%4", std::nullopt}, {"%zz", std::nullopt}, {"%+1", std::nullopt},
    };
    for (const auto& r : rows) EXPECT_EQ(web::Decoded(r.text), r.decoded) << r.text;
}

}  // namespace
