#include "FactoryPrograms.h"

namespace {

// Every program starts from these values: a 200 Hz carrier with a 4 Hz
// binaural beat centred on it, in generator mode.
constexpr FactoryProgram Common(const char* name) {
    return {name, 200.0, 4.0, 440.0, 0, 0, 0, 800, 500, 1000, 90, 0, 1};
}

constexpr FactoryProgram Tone(const char* name, double frequency, double beat) {
    FactoryProgram program = Common(name);
    program.frequency = frequency;
    program.beat = beat;
    return program;
}

constexpr FactoryProgram Tuned(const char* name, double tuning) {
    FactoryProgram program = Common(name);
    program.tuning = tuning;
    program.mode = 1;
    return program;
}

constexpr FactoryProgram WaveByNote(const char* name, int wave) {
    FactoryProgram program = Common(name);
    program.wave = wave;
    program.mode = 1;
    return program;
}

constexpr FactoryProgram PanReversed(const char* name) {
    FactoryProgram program = Common(name);
    program.panReverse = 1;
    return program;
}

constexpr FactoryProgram Monaural(const char* name) {
    FactoryProgram program = Common(name);
    program.beats = 1;
    return program;
}

// The names of the two middle wave programs do not follow the wave texts:
// "Triangle waves" plays "Sine half" and "Saw waves" plays "Triangle".
constexpr std::array<FactoryProgram, kNumFactoryPrograms> kPrograms = {{
    Tone("Higher frequencies", 400.0, 4.0),
    Tuned("101Hz Tunning", 101.0),
    Tuned("432Hz Tunning", 432.0),
    PanReversed("Left - Right reverse"),
    Monaural("Monaural beats"),
    WaveByNote("Triangle waves - by note", 1),
    WaveByNote("Saw waves - by note", 2),
    WaveByNote("Square waves - by note", 3),
    Tone("Binaural - 0.2 (Dental pain)", 200.0, 0.2),
    Tone("Binaural - 0.28 (Arthritis)", 200.0, 0.28),
    Tone("Binaural - 0.3 (Depression)", 200.0, 0.3),
    Tone("Binaural - 0.37 (Drug addiction)", 200.0, 0.37),
    Tone("Binaural - 0.4 (Confusion)", 200.0, 0.4),
    Tone("Binaural - 0.5 (Post traumatics)", 200.0, 0.5),
    Tone("Binaural - 0.9 (Euphoria)", 200.0, 0.9),
    Tone("Binaural - 1 (Feeling of well-being, pituitary stimulation)", 200.0, 1.0),
    Tone("Binaural - 1.45 (Tri-thalamic entrainment, Alzheimer)", 200.0, 1.45),
    Tone("Binaural - 1.5 (Abrahams universal healing rate)", 200.0, 1.5),
    Tone("Binaural - 1.8 (Sinus congestion)", 200.0, 1.8),
    Tone("Binaural - 2.0 (Nerve regeneration)", 200.0, 2.0),
    Tone("Binaural - 2.06 (Associated with coccyx)", 200.0, 2.06),
    Tone("Binaural - 2.2 (Dreamless sleep, trance state)", 200.0, 2.2),
    Tone("Binaural - 2.3 (Associated with genitals)", 200.0, 2.3),
    Tone("Binaural - 2.57 (Associated with bladder)", 200.0, 2.57),
    Tone("Binaural - 2.67 (Associated with intestines)", 200.0, 2.67),
    Tone("Binaural - 3.0 (Increased Reaction Time)", 200.0, 3.0),
    Tone("Binaural - 3.4 (Sound sleep)", 200.0, 3.4),
    Tone("Binaural - 3.44 (Associated with ovaries)", 200.0, 3.44),
    Tone("Binaural - 3.5 (Feeling of unity with everythin)", 200.0, 3.5),
    Tone("Binaural - 3.6 (Remedy for anger & irritability)", 200.0, 3.6),
    Tone("Binaural - 3.84 (Associated with the liver & pancreas)", 200.0, 3.84),
    Tone("Binaural - 4.0 (Extrasensory perception, astral Projection)", 200.0, 4.0),
    Tone("Binaural - 4.11 (Associated with kidneys)", 200.0, 4.11),
    Tone("Binaural - 4.5 (Shamanic & Tibetan state of consciousness)", 200.0, 4.5),
    Tone("Binaural - 4.6 (Associated with spleen & blood)", 200.0, 4.6),
    Tone("Binaural - 4.9 (Relaxation & meditation)", 200.0, 4.9),
    Tone("Binaural - 5.0 (Relaxed states, pain-relief)", 200.0, 5.0),
    Tone("Binaural - 5.14 (Associated with stomach)", 200.0, 5.14),
    Tone("Binaural - 5.35 (Associated with lungs)", 200.0, 5.35),
    Tone("Binaural - 5.5 (Beyond knowledge to knowing)", 200.0, 5.5),
    Tone("Binaural - 5.8 (Reduce fear, absent-mindedness)", 200.0, 5.8),
    Tone("Binaural - 6.0 (Creative visualization)", 200.0, 6.0),
    Tone("Binaural - 6.15 (Associated with heart)", 200.0, 6.15),
    Tone("Binaural - 6.3 (Mental & astral projection)", 200.0, 6.3),
    Tone("Binaural - 7.0 (Mental & astral projection 2)", 200.0, 7.0),
    Tone("Binaural - 7.5 (Inter-awareness of self)", 200.0, 7.5),
    Tone("Binaural - 7.8 (Stimulates ESP, paranormal)", 200.0, 7.8),
    Tone("Binaural - 8.0 (Learning new information)", 200.0, 8.0),
    Tone("Binaural - 8.6 (Induces sleep, tingling sensations)", 200.0, 8.6),
    Tone("Binaural - 9.0 (Awareness of causes of body imbalance)", 200.0, 9.0),
    Tone("Binaural - 9.41 (Pyramid frequency_p)", 200.0, 9.41),
    Tone("Binaural - 9.6 (Earth's magnetic field)", 200.0, 9.6),
    Tone("Binaural - 10.6 (Relaxed & alert)", 200.0, 10.6),
    Tone("Binaural - 11.0 (Focused alertness)", 200.0, 11.0),
    Tone("Binaural - 14.1 (Earth Resonance)", 200.0, 14.1),
    Tone("Binaural - 15.0 (Euphoria)", 200.0, 15.0),
    Tone("Binaural - 20.3 (Earth Resonance)", 200.0, 20.3),
    Tone("Binaural - 22.02 (Serotonin)", 200.0, 22.02),
    Tone("Binaural - 26.4 (Earth Resonance)", 200.0, 26.4),
    Tone("Binaural - 30.0 (Associated with marijuana)", 200.0, 30.0),
    Tone("Binaural - 31.32 (Pituitary stimulation to release growth hormone)", 200.0, 31.32),
    Tone("Binaural - 32.0 (Desensitizer; enhanced vigour & alertnes)", 200.0, 32.0),
    Tone("Binaural - 33.0 (Christ consciousness)", 200.0, 33.0),
    Tone("Binaural - 35.0 (Awakening of mid-chakras, balance of chakras)", 200.0, 35.0),
    Tone("Binaural - 38.0 (Endorphin release)", 200.0, 38.0),
    Tone("Binaural - 46.98 (Useful for weird effects)", 200.0, 46.98),
    Tone("Binaural - 55.0 (Tantric yoga, stimulates the kundalini)", 200.0, 55.0),
    Tone("Binaural - 63.5 (Astral projection)", 200.0, 63.5),
    Tone("Binaural - 70.0 (Mental & astral projection)", 200.0, 70.0),
    Tone("Binaural - 83.0 (Third eye opening)", 200.0, 83.0),
    Tone("Binaural - 90.0 (Pleasure, producing beta-endorphins)", 200.0, 90.0),
    Tone("Binaural - 105.0 (Overall view of complete situation)", 200.0, 105.0),
    Tone("Binaural - 108.0 (Total knowing)", 200.0, 108.0),
    Tone("Binaural - 111.0 (Beta endorphins)", 200.0, 111.0),
    Tone("Binaural - 176.0 (Associated with colon)", 200.0, 176.0),
    Tone("Binaural - 8.0 (Muladhara chakra)", 200.0, 8.0),
    Tone("Binaural - 9.0 (Svadhisthana chakra)", 200.0, 9.0),
    Tone("Binaural - 10.0 (Manipura chakra)", 200.0, 10.0),
    Tone("Binaural - 10.5 (Anahata chakra)", 200.0, 10.5),
    Tone("Binaural - 12.0 (Vishuddha chakra)", 200.0, 12.0),
    Tone("Binaural - 13.0 (Ajna chakra)", 200.0, 13.0),
    Tone("Binaural - 15.0 (Sahasrara chakra)", 200.0, 15.0),
    Tone("Binaural - 7.83 (Schumann Resonance)", 200.0, 7.83),
    Tone("Binaural - 14.3 (Schumann Resonance)", 200.0, 14.3),
    Tone("Binaural - 20.8 (Schumann Resonance)", 200.0, 20.8),
    Tone("Binaural - 27.3 (Schumann Resonance)", 200.0, 27.3),
    Tone("Binaural - 33.8 (Schumann Resonance)", 200.0, 33.8),
    Tone("Binaural - 126.22 (Sun: light, warmth, joy, animus)", 200.0, 126.22),
    Tone("Binaural - 136.1 (Earth: resonates with the earth year)", 200.0, 136.1),
    Tone("Binaural - 140.25 (Pluto: power, crisis & changes)", 200.0, 140.25),
    Tone("Binaural - 141.27 (Mercury: intellectuality, mobility)", 200.0, 141.27),
    Tone("Binaural - 144.72 (Mars: activity, energy, freedom, humor)", 200.0, 144.72),
    Tone("Binaural - 147.85 (Saturn: separation, sorrow, death)", 200.0, 147.85),
    Tone("Binaural - 183.58 (Jupiter: growth, success, justice, spirituality)", 200.0, 183.58),
    Tone("Binaural - 194.71 (Earth: stability, grounding)", 200.0, 194.71),
    Tone("Binaural - 207.36 (Uranus: spontaneity, independence, originality)", 200.0, 207.36),
    Tone("Binaural - 211.44 (Neptune: the unconscious, imagination & spiritual)", 200.0, 211.44),
    Tone("Binaural - 221.23 (Venus: beauty, love, sexuality, sensuality, harmony)", 200.0, 221.23),
    Tone("Healing - 110 Hz (Stomach)", 110.0, 0.0),
    Tone("Healing - 117.3 Hz (Pancreas)", 117.3, 0.0),
    Tone("Healing - 164.3 Hz (Gall Bladder)", 164.3, 0.0),
    Tone("Healing - 176 Hz (Colon)", 176.0, 0.0),
    Tone("Healing - 220 Hz (Lungs)", 220.0, 0.0),
    Tone("Healing - 264 Hz (Personality)", 264.0, 0.0),
    Tone("Healing - 281.6 Hz (Small Intestine)", 281.6, 0.0),
    Tone("Healing - 295.8 Hz (Fat Cells)", 295.8, 0.0),
    Tone("Healing - 317.8 Hz (Liver)", 317.8, 0.0),
    Tone("Healing - 319.9 Hz (Kidneys)", 319.9, 0.0),
    Tone("Healing - 321.9 Hz (Blood)", 321.9, 0.0),
    Tone("Healing - 324 Hz (Muscles)", 324.0, 0.0),
    Tone("Healing - 352 Hz (Bladder)", 352.0, 0.0),
    Tone("Healing - 418.3 Hz (Bones)", 418.3, 0.0),
    Tone("Healing - 432 Hz (Natural, harmonic intonation of nature)", 432.0, 0.0),
    Tone("Healing - 492 Hz (Spleen)", 492.0, 0.0),
    Tone("Healing - 492.8 Hz (Adrenals, thyroid & parathyroid)", 492.8, 0.0),
    Tone("Healing - 586 Hz (Circulation  & sex)", 586.0, 0.0),
    Tone("Solfeggio UT - 396 Hz (Turning grief into joy, liberating Guilt and Fear)", 396.0, 0.0),
    Tone("Solfeggio RE - 417 Hz (Undoing Situations and Facilitating Change)", 417.0, 0.0),
    Tone("Solfeggio MI - 528 Hz (Transformation and Miracles, DNA Repair)", 528.0, 0.0),
    Tone("Solfeggio FA - 639 Hz (Relationship, connecting with spiritual family)", 639.0, 0.0),
    Tone("Solfeggio SOL - 741 Hz (Solving problems, expressions & solutions)", 741.0, 0.0),
    Tone("Solfeggio LA - 852 Hz (Awakening Intuition, returning to Spiritual Order)", 852.0, 0.0),
    Tone("Solfeggio SI - 963 Hz (Awakens any system to its original, perfect state)", 963.0, 0.0),
    Tone("Solfeggio - 174 Hz (Natural anaesthetic, reduce pain)", 174.0, 0.0),
}};

} // namespace

const std::array<FactoryProgram, kNumFactoryPrograms>& FactoryPrograms() {
    return kPrograms;
}
