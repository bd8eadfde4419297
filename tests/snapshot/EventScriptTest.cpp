#include "EventScript.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "SnapshotError.h"

using namespace tonewell::snapshot;
using Kind = ScriptEvent::Kind;

TEST(EventScriptTest, AcceptsEveryForm) {
    const std::string script = "# a comment line\n"
                               "press 77 133\n"
                               "\n"
                               "drag 77 -20 shift   # trailing comment\n"
                               "release 77 -20\r\n"
                               "click 10 20 right ctrl alt\n"
                               "double 5 6\n"
                               "wheel 181 133 -2.5 control\n"
                               "over 40 50\n"
                               "leave\n"
                               "key 1 2 65\n"
                               "tick\n"
                               "tick 12\n"
                               "   paint   ";
    const std::vector<ScriptEvent> events = EventScript::Parse(script, "s");
    ASSERT_EQ(events.size(), 12u);

    const Kind kinds[] = {Kind::Press,       Kind::Drag,  Kind::Release, Kind::Click,
                          Kind::DoubleClick, Kind::Wheel, Kind::Over,    Kind::Leave,
                          Kind::Key,         Kind::Tick,  Kind::Tick,    Kind::Paint};
    for (size_t i = 0; i < events.size(); ++i)
        EXPECT_EQ(events[i].kind, kinds[i]) << i;

    EXPECT_EQ(events[0].line, 2);
    EXPECT_EQ(events[0].x, 77);
    EXPECT_EQ(events[0].y, 133);
    EXPECT_EQ(events[0].keys.left, 1);
    EXPECT_EQ(events[1].y, -20);
    EXPECT_EQ(events[1].line, 4);
    EXPECT_TRUE(events[1].keys.shift && events[1].keys.left);
    // Naming the right button replaces the default left one.
    EXPECT_TRUE(events[3].keys.right && !events[3].keys.left);
    EXPECT_TRUE(events[3].keys.control && events[3].keys.alt && !events[3].keys.shift);
    EXPECT_DOUBLE_EQ(events[5].delta, -2.5);
    EXPECT_TRUE(events[5].keys.control);
    // Wheel and pointer-over hold no button unless one is named.
    EXPECT_FALSE(events[5].keys.left || events[6].keys.left);
    EXPECT_EQ(events[8].key, 65);
    EXPECT_EQ(events[9].count, 1);
    EXPECT_EQ(events[10].count, 12);
}

TEST(EventScriptTest, RejectsMalformedLinesWithTheirNumber) {
    const struct {
        const char* line;
        const char* message;
    } cases[] = {
        {"prss 1 2", "unknown event 'prss'"},
        {"press 1", "'press' needs Y"},
        {"press", "'press' needs X"},
        {"press 1 2x", "Y must be a whole number, not '2x'"},
        {"drag 1.5 2", "X must be a whole number"},
        {"press 99999999999 2", "X '99999999999' is out of range"},
        {"click 1 2 middle", "unknown word 'middle'"},
        {"wheel 1 2", "'wheel' needs DELTA"},
        {"wheel 1 2 nan", "DELTA must be finite"},
        {"wheel 1 2 1e999", "DELTA must be finite"},
        {"key 1 2", "'key' needs CODE"},
        {"key 1 2 65 shift", "unexpected 'shift'"},
        {"leave now", "unexpected 'now'"},
        {"tick 0", "N must be 1 to 100000, not 0"},
        {"tick 100001", "N must be 1 to 100000"},
        {"paint 3", "unexpected '3'"},
    };
    for (const auto& c : cases) {
        const std::string script = "press 1 2\n# fine so far\n" + std::string(c.line) + "\nleave\n";
        try {
            EventScript::Parse(script, "demo.txt");
            ADD_FAILURE() << "accepted: " << c.line;
        } catch (const SnapshotError& error) {
            const std::string message = error.what();
            EXPECT_EQ(message.rfind("demo.txt:3: ", 0), 0u) << message;
            EXPECT_NE(message.find(c.message), std::string::npos) << message;
        }
    }
    EXPECT_THROW(EventScript::Load(testing::TempDir() + "no_such_script.txt"), SnapshotError);
}
