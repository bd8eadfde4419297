#include <algorithm>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "CoreTestSupport.h"

TEST(CoreBaseConstruction, ParametersAndSlotsStartEmpty) {
    Journal journal;
    RecordingCore core(journal, 12, 130);
    ASSERT_EQ(core.NumParams(), 12);
    for (int i = 0; i < 12; ++i) {
        const IEngineParam* param = core.GetParam(i);
        ASSERT_NE(param, nullptr);
        EXPECT_EQ(param->GetKind(), IEngineParam::KindNone);
        EXPECT_EQ(param->PlainValue(), 0.0);
        EXPECT_EQ(param->Max(), 1.0);
    }
    EXPECT_EQ(core.GetParam(-1), nullptr);
    EXPECT_EQ(core.GetParam(12), nullptr);

    ASSERT_EQ(core.NumPresets(), 130);
    for (int i = 0; i < 130; ++i)
        EXPECT_EQ(core.PresetName(i), "- " + std::to_string(i + 1) + " -");
    EXPECT_EQ(core.CurrentPreset(), 0);

    EXPECT_EQ(core.HostKind(), -1);
    EXPECT_EQ(core.BlockSize(), 0);
    EXPECT_EQ(core.SampleRate(), 44100.0);
    EXPECT_FALSE(core.IsProcessingEnabled());
    EXPECT_FALSE(core.IsBypassed());
    EXPECT_EQ(core.Editor(), nullptr);
}

TEST(CoreBaseConstruction, IdentityTextsAreCutToSizeAndMayBeMissing) {
    Journal journal;
    const std::string longName(200, 'n');
    RecordingCore named(journal, 0, 0, "", longName.c_str(), nullptr);
    EXPECT_EQ(std::string(named.EffectName()), longName.substr(0, 127));
    EXPECT_STREQ(named.ProductName(), "");
    EXPECT_EQ(named.NumParams(), 0);
    EXPECT_EQ(named.NumPresets(), 0);
    EXPECT_STREQ(named.PresetName(0), "");
    EXPECT_FALSE(named.ApplyPreset(0));
}

TEST(CoreBaseChannels, DescriptionGivesLegalPairsAndChannelCounts) {
    Journal journal;
    RecordingCore core(journal);
    EXPECT_EQ(core.NumInputChannels(), 2);
    EXPECT_EQ(core.NumOutputChannels(), 2);
    EXPECT_TRUE(core.LegalChannelConfig(1, 1));
    EXPECT_TRUE(core.LegalChannelConfig(2, 2));
    EXPECT_FALSE(core.LegalChannelConfig(1, 2));
    EXPECT_FALSE(core.LegalChannelConfig(2, 1));
    EXPECT_FALSE(core.LegalChannelConfig(0, 0));
    for (int i = 0; i < 2; ++i) {
        EXPECT_TRUE(core.InputChannel(i).connected);
        EXPECT_EQ(core.InputChannel(i).slot, &core.InputPointers()[i]);
        EXPECT_EQ(core.OutputChannel(i).slot, &core.OutputPointers()[i]);
    }
}

TEST(CoreBaseChannels, MalformedPairsAreSkipped) {
    Journal journal;
    RecordingCore messy(journal, 1, 1, "2-2 junk -1-3 4-x 1-6 3-");
    EXPECT_EQ(messy.NumInputChannels(), 2);
    EXPECT_EQ(messy.NumOutputChannels(), 6);
    EXPECT_TRUE(messy.LegalChannelConfig(1, 6));
    EXPECT_FALSE(messy.LegalChannelConfig(-1, 3));
    EXPECT_FALSE(messy.LegalChannelConfig(4, 0));

    RecordingCore none(journal, 1, 1, nullptr);
    EXPECT_EQ(none.NumInputChannels(), 0);
    EXPECT_EQ(none.NumOutputChannels(), 0);
    RecordingCore empty(journal, 1, 1, "");
    EXPECT_FALSE(empty.LegalChannelConfig(0, 0));
}

TEST(CoreBaseAudio, BlockSizeResizesAndZeroesScratchOnlyOnChange) {
    Journal journal;
    RecordingCore core(journal);
    core.SetBlockSize(64);
    ASSERT_EQ(core.InputChannel(1).scratch.size(), 64u);
    ASSERT_EQ(core.OutputChannel(1).scratch.size(), 64u);
    core.OutputChannel(0).scratch[5] = 0.5;
    core.SetBlockSize(64);
    EXPECT_EQ(core.OutputChannel(0).scratch[5], 0.5);
    core.SetBlockSize(128);
    EXPECT_EQ(core.OutputChannel(0).scratch, std::vector<double>(128, 0.0));
    core.SetBlockSize(-16);
    EXPECT_EQ(core.BlockSize(), 0);
    EXPECT_TRUE(core.InputChannel(0).scratch.empty());
}

namespace {

// Two input and two output channels of a few frames, outputs pre-filled.
struct Buffers {
    explicit Buffers(int outputCount = 2)
        : out(static_cast<size_t>(outputCount), std::vector<double>(4, 9.0)) {
        for (auto& channel : in)
            inputs.push_back(channel.data());
        for (auto& channel : out)
            outputs.push_back(channel.data());
    }
    std::vector<std::vector<double>> in{{1, 2, 3, 4}, {5, 6, 7, 8}};
    std::vector<std::vector<double>> out;
    std::vector<double*> inputs, outputs;
};

} // namespace

TEST(CoreBaseAudio, PassThroughCopiesSharedChannelsAndZeroesTheRest) {
    Journal journal;
    RecordingCore core(journal, 1, 1, "2-3");
    Buffers b(3);
    core.PassThrough(b.inputs.data(), b.outputs.data(), 4);
    EXPECT_EQ(b.out[0], b.in[0]);
    EXPECT_EQ(b.out[1], b.in[1]);
    EXPECT_EQ(b.out[2], std::vector<double>(4, 0.0));

    Buffers untouched(3);
    core.PassThrough(untouched.inputs.data(), untouched.outputs.data(), 0);
    core.PassThrough(untouched.inputs.data(), untouched.outputs.data(), -5);
    EXPECT_EQ(untouched.out[0], std::vector<double>(4, 9.0));

    // A missing output is skipped, a missing input gives silence.
    Buffers holes(3);
    holes.outputs[1] = nullptr;
    holes.inputs[0] = nullptr;
    core.PassThrough(holes.inputs.data(), holes.outputs.data(), 4);
    EXPECT_EQ(holes.out[0], std::vector<double>(4, 0.0));
    EXPECT_EQ(holes.out[1], std::vector<double>(4, 9.0));
}

TEST(CoreBaseAudio, RenderFollowsBypassThenTheProcessingGate) {
    Journal journal;
    RecordingCore core(journal);
    Buffers closed;
    core.RenderAudio(closed.inputs.data(), closed.outputs.data(), 4);
    EXPECT_EQ(core.processBlockCalls, 0);
    EXPECT_EQ(closed.out[0], std::vector<double>(4, 9.0)) << "a closed gate leaves outputs alone";

    core.SetBypassed(true);
    core.OpenProcessingGate();
    Buffers bypassed;
    core.RenderAudio(bypassed.inputs.data(), bypassed.outputs.data(), 4);
    EXPECT_EQ(core.processBlockCalls, 0);
    EXPECT_EQ(bypassed.out, bypassed.in);

    core.SetBypassed(false);
    Buffers open;
    core.RenderAudio(open.inputs.data(), open.outputs.data(), 4);
    EXPECT_EQ(core.processBlockCalls, 1);
    EXPECT_EQ(open.out, open.in) << "the default engine block passes the input through";
}

TEST(CoreBaseEditor, AttachPushesNormalisedValuesBeforeDrawing) {
    Journal journal;
    RecordingCore core(journal);
    DefineTwelveParameters(core);
    core.GetParam(0)->SetPlainValue(5000.5);
    auto surface = std::make_unique<FakeEditor>(journal, &core);
    FakeEditor* editor = surface.get();
    core.AttachEditor(std::move(surface));

    EXPECT_EQ(core.Editor(), editor);
    ASSERT_EQ(editor->pushes.size(), 12u);
    for (int i = 0; i < 12; ++i) {
        EXPECT_EQ(editor->pushes[static_cast<size_t>(i)].index, i);
        EXPECT_TRUE(editor->pushes[static_cast<size_t>(i)].isNormalized);
        EXPECT_DOUBLE_EQ(editor->pushes[static_cast<size_t>(i)].value,
                         core.GetParam(i)->ToNormalized());
    }
    EXPECT_EQ(editor->prepareCalls, 1);
    EXPECT_EQ(journal.lines.back(), "prepare") << "values first, then drawing";
    EXPECT_EQ(editor->hideCalls, 0);
    EXPECT_TRUE(core.applied.empty()) << "attaching does not touch the engine";
}

TEST(CoreBaseEditor, WheelEditsEndAfterTheCountdownOrAtOnceWithoutEditor) {
    Journal journal;
    RecordingCore core(journal);
    DefineTwelveParameters(core);
    core.EndHostEditLater(3);
    EXPECT_EQ(core.endedEdits, std::vector<int>{3}) << "no editor: ended at once";

    auto surface = std::make_unique<FakeEditor>(journal, &core);
    FakeEditor* editor = surface.get();
    core.AttachEditor(std::move(surface));
    // Notches on 4 stay in one edit; a turn on 5 ends it and begins its own.
    for (int notch = 0; notch < 3; ++notch) {
        core.BeginWheelEdit(4);
        core.EndHostEditLater(4);
    }
    EXPECT_EQ(core.begunEdits, std::vector<int>{4});
    EXPECT_EQ(core.endedEdits, std::vector<int>{3});
    core.BeginWheelEdit(5);
    core.EndHostEditLater(5);
    EXPECT_EQ(editor->countdown, 15) << "half a second of timer ticks";
    EXPECT_EQ(core.begunEdits, (std::vector<int>{4, 5}));
    EXPECT_EQ(core.endedEdits, (std::vector<int>{3, 4}));

    core.EndPendingHostEdit();
    EXPECT_EQ(core.endedEdits, (std::vector<int>{3, 4, 5}));
    EXPECT_EQ(editor->countdown, 0);
    core.EndPendingHostEdit(); // nothing pending any more
    EXPECT_EQ(core.endedEdits.size(), 3u);
}

TEST(CoreBaseEditor, ReplacingOrClearingTheEditorDeletesTheOldOne) {
    Journal journal;
    RecordingCore core(journal);
    core.AttachEditor(std::make_unique<FakeEditor>(journal, &core));
    core.AttachEditor(std::make_unique<FakeEditor>(journal, &core));
    EXPECT_EQ(std::count(journal.lines.begin(), journal.lines.end(), "editor deleted"), 1);
    core.AttachEditor(nullptr);
    EXPECT_EQ(core.Editor(), nullptr);
    EXPECT_EQ(std::count(journal.lines.begin(), journal.lines.end(), "editor deleted"), 2);
    core.RefreshEditorControls(); // no editor: nothing to do
}

TEST(CoreBaseEditor, DestroyingTheCoreDeletesTheEditorWhileParametersExist) {
    Journal journal;
    {
        RecordingCore core(journal);
        DefineTwelveParameters(core);
        core.AttachEditor(std::make_unique<FakeEditor>(journal, &core));
        journal.lines.clear();
    }
    EXPECT_EQ(journal.lines, std::vector<std::string>{"editor deleted"});
    EXPECT_EQ(journal.paramsAtEditorDeletion, 12);
}

TEST(CoreBaseHost, MidiListSucceedsOnlyWhenEveryMessageIsSent) {
    Journal journal;
    RecordingCore core(journal);
    MidiMessage messages[3];
    messages[0].status = 0x90;
    messages[1].status = 0x80;
    EXPECT_TRUE(core.EmitMidiMessages(messages, 2));
    EXPECT_FALSE(core.EmitMidiMessages(messages, 3)) << "status 0 is refused by the fake";
    EXPECT_TRUE(core.EmitMidiMessages(nullptr, 0));
}
