#include "AudioFileWriter.h"

#include <cmath>
#include <fcntl.h>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <limits>
#include <string>
#include <unistd.h>
#include <vector>

namespace tonewell::render {
namespace {

std::vector<char> Contents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

// A file written directly is the one libsndfile writes from the same frames:
// header, conversion, dither and the pieces' seams (the frames span more than
// one piece, in blocks of uneven sizes), with clipped and NaN samples.
TEST(AudioFileWriter, DirectWavFilesMatchTheLibrarysByteForByte) {
    const int frames = AudioFileWriter::kPieceBytes / 4 + 7001;
    std::vector<double> left(frames), right(frames);
    for (int i = 0; i < frames; ++i) {
        left[i] = 1.2 * std::sin(0.001 * i);
        right[i] = 0.3 * std::cos(0.0137 * i);
    }
    left[5] = std::numeric_limits<double>::quiet_NaN();
    right[6] = -7.0;

    struct Case {
        SampleFormat format;
        bool dither;
    };
    for (const Case c : {Case{SampleFormat::Pcm16, true}, Case{SampleFormat::Pcm16, false},
                         Case{SampleFormat::Pcm24, true}}) {
        std::vector<char> files[2];
        for (const bool throughLibrary : {false, true}) {
            const std::string path = testing::TempDir() + "tonewell_writer.wav";
            const int descriptor = open(path.c_str(), O_CREAT | O_TRUNC | O_WRONLY, 0644);
            ASSERT_GE(descriptor, 0);
            AudioFileWriter writer(descriptor, path, FileType::Wav, c.format, 44100, 2, frames,
                                   c.dither, throughLibrary);
            for (int done = 0, block = 1; done < frames; block = block * 7 % 20011 + 333) {
                const int n = std::min(block, frames - done);
                writer.Write(left.data() + done, right.data() + done, n);
                done += n;
            }
            writer.Close();
            files[throughLibrary] = Contents(path);
            unlink(path.c_str());
        }
        SCOPED_TRACE(c.format == SampleFormat::Pcm16 ? "16-bit" : "24-bit");
        ASSERT_EQ(files[0].size(), files[1].size());
        EXPECT_TRUE(files[0] == files[1]);
    }
}

} // namespace
} // namespace tonewell::render
