#include <cmath>
#include <gtest/gtest.h>

#include "TestSupport.h"

namespace {

// Synthesizer mode, no centring, settled at the real sample rate.
void MakeSynth(EngineHarness& h, double tuning = 440.0) {
    h.Set(ParamMode, 1);
    h.Set(ParamCenterFreq, 0);
    h.Set(ParamTuningFreq, tuning);
    h.Render(h.blockSize);
}

} // namespace

TEST(NoteInput, NotePitchFollowsTheFoldedTuning) {
    EngineHarness h;
    MakeSynth(h);
    h.NoteOn(69);
    EXPECT_EQ(h.State().noteHz, 440.0f);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncL), 440.0, 1e-9);
    EXPECT_NEAR(h.IncrementHz(h.State().targetIncR), 444.0, 1e-9);

    h.Set(ParamTuningFreq, 432.0);
    EXPECT_EQ(h.State().noteHz, 440.0f); // the new reference waits for the next note
    h.NoteOn(81);
    EXPECT_FLOAT_EQ(h.State().noteHz, 864.0f);

    h.Set(ParamTuningFreq, 101.0); // folds to 404 Hz
    h.NoteOn(60);
    EXPECT_NEAR(h.State().noteHz, 404.0 * std::pow(2.0, -9.0 / 12.0), 1e-3);
    EXPECT_NEAR(h.State().noteHz, 240.2, 0.05);
}

TEST(NoteInput, MidiChannelIsIgnored) {
    EngineHarness h;
    MakeSynth(h);
    h.Note(0x95, 69, 100);
    EXPECT_EQ(h.State().noteHz, 440.0f);
    EXPECT_EQ(h.State().heldNotes, 1);
    h.Note(0x8F, 12, 0);
    EXPECT_EQ(h.State().heldNotes, 0);
    EXPECT_EQ(h.State().envelopeStage, 2);
}

TEST(NoteInput, AttackSustainAndReleaseEnvelope) {
    EngineHarness h(48000.0, 480);
    MakeSynth(h);
    h.Set(ParamAttack, 100); // 4800 samples: ten blocks
    h.Set(ParamRelease, 50); // five blocks
    h.NoteOn(69);
    EXPECT_EQ(h.State().envelopeStage, 1);
    h.Render(480);
    EXPECT_NEAR(h.State().envelopeLevel, 0.1, 1e-6);
    for (int i = 0; i < 12; ++i)
        h.Render(480);
    EXPECT_EQ(h.State().envelopeLevel, 1.0);
    EXPECT_EQ(h.State().envelopeStage, 1); // level 1 in the attack stage is the sustain

    h.NoteOff(69);
    EXPECT_EQ(h.State().envelopeStage, 2);
    h.Render(480);
    EXPECT_NEAR(h.State().envelopeLevel, 0.8, 1e-6);
    // Four more blocks bring the level to 0, give or take single-precision steps.
    int blocks = 0;
    for (; blocks < 6 && h.State().envelopeStage != 0; ++blocks)
        h.Render(480);
    EXPECT_GE(blocks, 4);
    EXPECT_LE(blocks, 5);
    EXPECT_EQ(h.State().envelopeStage, 0);
    EXPECT_EQ(h.State().envelopeLevel, 0.0);
    EXPECT_EQ(h.State().noteHz, 440.0f); // cleared by the next idle block
    h.Render(480);
    EXPECT_EQ(h.State().noteHz, 0.0f);
}

TEST(NoteInput, ReleaseOnlyWhenNoNoteIsHeld) {
    EngineHarness h;
    MakeSynth(h);
    h.NoteOn(60);
    h.NoteOn(64);
    EXPECT_EQ(h.State().heldNotes, 2);
    const float second = h.State().noteHz;

    // Releasing the newer note keeps its pitch and the tone.
    h.NoteOff(64);
    EXPECT_EQ(h.State().noteHz, second);
    EXPECT_EQ(h.State().envelopeStage, 1);
    // Note offs are not matched to note numbers.
    h.NoteOff(99);
    EXPECT_EQ(h.State().heldNotes, 0);
    EXPECT_EQ(h.State().envelopeStage, 2);

    // A stray note off drives the count no lower than zero.
    h.NoteOff(60);
    EXPECT_EQ(h.State().heldNotes, 0);
    // Velocity 0 is a note off.
    h.NoteOn(60);
    h.NoteOn(62, 0);
    EXPECT_EQ(h.State().heldNotes, 0);
}

TEST(NoteInput, RetriggerDuringReleaseResumesFromTheCurrentLevel) {
    EngineHarness h(48000.0, 480);
    MakeSynth(h);
    h.Set(ParamAttack, 0);
    h.Set(ParamRelease, 100);
    h.NoteOn(69);
    h.Render(480);
    EXPECT_EQ(h.State().envelopeLevel, 1.0);
    h.NoteOff(69);
    h.Render(480);
    h.Render(480);
    const double level = h.State().envelopeLevel;
    EXPECT_NEAR(level, 0.8, 1e-6);

    h.Set(ParamAttack, 100);
    h.NoteOn(72);
    EXPECT_EQ(h.State().envelopeStage, 1);
    EXPECT_EQ(h.State().envelopeLevel, level);
    h.Render(480);
    EXPECT_NEAR(h.State().envelopeLevel, level + 0.1, 1e-6);
}

TEST(NoteInput, NewVelocityChangesTheLevelAtTheNextBlock) {
    EngineHarness h(48000.0, 256);
    MakeSynth(h);
    h.Set(ParamWave, WaveSquare);
    h.Set(ParamAttack, 0);
    h.NoteOn(69, 127);
    h.Render(256);
    h.Render(256);
    const float full = h.State().targetGain;
    EXPECT_FLOAT_EQ(h.State().currentGain, full);

    h.NoteOn(69, 1);
    const StereoBuffers block = h.Render(256);
    const float expected = static_cast<float>(full * (1.0f * 0.007874016f));
    EXPECT_FLOAT_EQ(h.State().currentGain, expected);
    EXPECT_FLOAT_EQ(static_cast<float>(std::fabs(block.outL[255])), expected);
}

TEST(NoteInput, OtherMessagesChangeNothing) {
    EngineHarness h;
    MakeSynth(h);
    h.NoteOn(69);
    const EngineState before = h.State();
    h.Note(0xB0, 7, 100);  // controller
    h.Note(0xE0, 0, 64);   // pitch bend
    h.Note(0xA0, 69, 20);  // polyphonic pressure
    h.Note(0xF8, 0, 0);    // clock
    h.Note(0x45, 60, 100); // stray data byte
    EXPECT_EQ(h.State().heldNotes, before.heldNotes);
    EXPECT_EQ(h.State().noteHz, before.noteHz);
    EXPECT_EQ(h.State().envelopeStage, before.envelopeStage);
}

TEST(NoteInput, GeneratorModeIgnoresNotes) {
    EngineHarness h;
    h.Set(ParamMode, 0);
    h.Render(512);
    const double left = h.State().targetIncL;
    h.NoteOn(81);
    h.NoteOff(81);
    h.NoteOff(81);
    EXPECT_EQ(h.State().noteHz, 0.0f);
    EXPECT_EQ(h.State().heldNotes, 0);
    EXPECT_EQ(h.State().envelopeStage, 0);
    EXPECT_EQ(h.State().targetIncL, left);
}

TEST(NoteInput, SilentUntilTheFirstNote) {
    EngineHarness h;
    MakeSynth(h);
    const StereoBuffers quiet = h.Render(512, 0.125);
    for (double sample : quiet.outL)
        ASSERT_EQ(sample, 0.125);
    h.NoteOn(69);
    const StereoBuffers sounding = h.Render(512, 0.125);
    EXPECT_NE(sounding.outL[511], 0.125);
}

TEST(MidiMessageRecord, DerivedValues) {
    const MidiMessage noteOn{0, 0x93, 60, 100};
    EXPECT_EQ(noteOn.Kind(), 9);
    EXPECT_EQ(noteOn.NoteNumber(), 60);
    EXPECT_EQ(noteOn.Velocity(), 100);
    const MidiMessage pressure{0, 0xA0, 61, 5};
    EXPECT_EQ(pressure.NoteNumber(), 61);
    EXPECT_EQ(pressure.Velocity(), -1);
    const MidiMessage controller{0, 0xB0, 1, 2};
    EXPECT_EQ(controller.Kind(), 11);
    EXPECT_EQ(controller.NoteNumber(), -1);
    const MidiMessage system{0, 0xF0, 1, 2};
    EXPECT_EQ(system.Kind(), 0);
    const MidiMessage running{0, 0x40, 1, 2};
    EXPECT_EQ(running.Kind(), 0);
    EXPECT_EQ(running.Velocity(), -1);
}

TEST(NoteInput, LegatoNotesGlideToTheNewPitch) {
    EngineHarness h(48000.0, 480);
    MakeSynth(h);
    h.Set(ParamFade, 1); // the first note arrives at once
    h.NoteOn(57);        // 220 Hz
    h.Render(480);
    EXPECT_NEAR(h.IncrementHz(h.State().currentIncL), 220.0, 1e-9);
    h.Set(ParamFade, 400); // glide constant 4800 samples
    h.NoteOn(69);          // 440 Hz, the first note still held
    h.Render(480);
    // A tenth of the way from 220 Hz towards 440 Hz, the envelope untouched.
    EXPECT_NEAR(h.IncrementHz(h.State().currentIncL), 242.0, 1e-6);
    EXPECT_EQ(h.State().envelopeStage, 1);
    EXPECT_EQ(h.State().heldNotes, 2);
}
