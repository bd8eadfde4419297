#include <cstdio>
#include <fstream>
#include <gtest/gtest.h>
#include <string>

#include "HostApplication.h"
#include "NoteEventList.h"
#include "ParameterChangeList.h"
#include "PluginModule.h"
#include "Utf16.h"

using namespace Steinberg;
using namespace tonewell::hostkit;

TEST(ParamValueQueue, KeepsPointsInOffsetOrderAndReplacesSameOffset) {
    ParamValueQueue queue;
    queue.Reset(7);
    int32 index = -1;
    ASSERT_EQ(queue.addPoint(30, 0.3, index), kResultOk);
    ASSERT_EQ(queue.addPoint(10, 0.1, index), kResultOk);
    EXPECT_EQ(index, 0);
    ASSERT_EQ(queue.addPoint(30, 0.9, index), kResultOk);
    EXPECT_EQ(index, 1);
    ASSERT_EQ(queue.getPointCount(), 2);
    int32 offset = 0;
    Vst::ParamValue value = 0;
    ASSERT_EQ(queue.getPoint(1, offset, value), kResultOk);
    EXPECT_EQ(offset, 30);
    EXPECT_DOUBLE_EQ(value, 0.9);
    EXPECT_NE(queue.getPoint(2, offset, value), kResultOk);
    EXPECT_NE(queue.getPoint(-1, offset, value), kResultOk);
}

TEST(ParamValueQueue, RefusesPointsBeyondCapacity) {
    ParamValueQueue queue;
    queue.Reset(1);
    int32 index = 0;
    for (int32 i = 0; i < ParamValueQueue::kCapacity; ++i)
        ASSERT_EQ(queue.addPoint(i, 0.5, index), kResultOk);
    EXPECT_EQ(queue.addPoint(ParamValueQueue::kCapacity, 0.5, index), kResultFalse);
    EXPECT_EQ(queue.getPointCount(), ParamValueQueue::kCapacity);
}

TEST(ParameterChangeList, OneQueuePerIdUpToCapacity) {
    ParameterChangeList changes(2);
    EXPECT_TRUE(changes.Add(5, 0.1, 0));
    EXPECT_TRUE(changes.Add(5, 0.2, 8));
    EXPECT_TRUE(changes.Add(6, 1.0));
    EXPECT_FALSE(changes.Add(7, 1.0));
    ASSERT_EQ(changes.getParameterCount(), 2);
    EXPECT_EQ(changes.getParameterData(0)->getParameterId(), 5u);
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 2);
    EXPECT_EQ(changes.getParameterData(2), nullptr);
    changes.Clear();
    EXPECT_EQ(changes.getParameterCount(), 0);
    EXPECT_EQ(changes.getParameterData(0), nullptr);
    EXPECT_TRUE(changes.Add(9, 0.0));
    EXPECT_EQ(changes.getParameterData(0)->getPointCount(), 1);
}

TEST(NoteEventList, StoresNotesUpToCapacity) {
    NoteEventList events(2);
    EXPECT_TRUE(events.AddNoteOn(4, 60, 0.5f, 3));
    EXPECT_TRUE(events.AddNoteOff(9, 60));
    EXPECT_FALSE(events.AddNoteOn(10, 61, 1.f));
    Vst::Event e{};
    ASSERT_EQ(events.getEvent(0, e), kResultOk);
    EXPECT_EQ(e.type, Vst::Event::kNoteOnEvent);
    EXPECT_EQ(e.sampleOffset, 4);
    EXPECT_EQ(e.noteOn.pitch, 60);
    EXPECT_EQ(e.noteOn.channel, 3);
    EXPECT_FLOAT_EQ(e.noteOn.velocity, 0.5f);
    ASSERT_EQ(events.getEvent(1, e), kResultOk);
    EXPECT_EQ(e.type, Vst::Event::kNoteOffEvent);
    EXPECT_NE(events.getEvent(2, e), kResultOk);
}

TEST(HostApplication, ReportsItsNameAndMakesMessages) {
    IPtr<HostApplication> host = HostApplication::Create("Tonewell Host");
    Vst::String128 name{};
    ASSERT_EQ(host->getName(name), kResultOk);
    EXPECT_EQ(ToUtf8(name, 128), "Tonewell Host");

    TUID messageIid;
    std::memcpy(messageIid, Vst::IMessage::iid, sizeof(TUID));
    void* object = nullptr;
    ASSERT_EQ(host->createInstance(messageIid, messageIid, &object), kResultOk);
    auto* message = static_cast<Vst::IMessage*>(object);
    message->setMessageID("test");
    ASSERT_NE(message->getAttributes(), nullptr);
    EXPECT_EQ(message->getAttributes()->setInt("x", 4), kResultOk);
    message->release();

    TUID otherIid;
    std::memcpy(otherIid, Vst::IHostApplication::iid, sizeof(TUID));
    EXPECT_EQ(host->createInstance(otherIid, otherIid, &object), kResultFalse);
    EXPECT_EQ(object, nullptr);
}

TEST(Utf16, RoundTripsNonAsciiAndCutsToTheField) {
    std::string text = "Ton\xC3\xA9well \xF0\x9F\x8E\xB5";
    std::u16string wide = ToUtf16(text);
    EXPECT_EQ(wide.size(), 11u);
    EXPECT_EQ(ToUtf8(reinterpret_cast<const char16*>(wide.c_str()), 64), text);
    char16 field[4];
    CopyToField("abcdef", field, 4);
    EXPECT_EQ(ToUtf8(field, 4), "abc");
}

TEST(PluginModule, FailsCleanlyOnFilesThatAreNoModules) {
    std::string error;
    EXPECT_EQ(PluginModule::Load("", error), nullptr);
    EXPECT_NE(error.find("not found"), std::string::npos);
    EXPECT_EQ(PluginModule::Load("no/such/Module.vst3", error), nullptr);
    EXPECT_NE(error.find("not found"), std::string::npos);
    EXPECT_EQ(error.find('\n'), std::string::npos);

    const std::string textFile = "hostkit_not_a_module.txt";
    std::ofstream(textFile) << "plain text, not a library\n";
    EXPECT_EQ(PluginModule::Load(textFile, error), nullptr);
    EXPECT_NE(error.find("cannot load"), std::string::npos);
    std::remove(textFile.c_str());

    EXPECT_EQ(PluginModule::Load(HOSTKIT_EMPTY_MODULE, error), nullptr);
    EXPECT_NE(error.find("GetPluginFactory"), std::string::npos) << error;
}
