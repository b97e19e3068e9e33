// brolt-render end to end: a small generated WAV through the tool equals
// the engine's own output channel by channel, and bad input ends with
// exit code 2.
#include <gtest/gtest.h>

#include <math.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include <sndfile.h>

#include "engine_test_support.h"

namespace {

struct TempDir {
    std::string path;
    TempDir()
    {
        char name[] = "/tmp/brolt-render-test-XXXXXX";
        path = mkdtemp(name) ? name : "/tmp";
    }
    ~TempDir() { (void)system(("rm -rf '" + path + "'").c_str()); }
    std::string file(const char* name) const { return path + "/" + name; }
};

int run_tool(const std::string& args)
{
    std::string command = std::string("'") + BROLT_RENDER_PATH + "' " + args + " 2>/dev/null";
    int status = system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void write_wav(const std::string& path, const std::vector<float>& frames, int channels, int rate)
{
    SF_INFO info = {};
    info.samplerate = rate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(f, nullptr);
    sf_writef_float(f, frames.data(), (sf_count_t)(frames.size() / channels));
    sf_close(f);
}

std::vector<float> read_wav(const std::string& path, SF_INFO* info)
{
    *info = SF_INFO{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, info);
    if (!f)
        return {};
    std::vector<float> frames((size_t)(info->frames * info->channels));
    sf_readf_float(f, frames.data(), info->frames);
    sf_close(f);
    return frames;
}

}  // namespace

TEST(BroltRender, OutputEqualsTheEngineForEachChannel)
{
    TempDir dir;
    const int channels = 2, rate = 44100;
    std::vector<float> left = noise(10000, 0.8f, 1), right = noise(10000, 0.2f, 2);
    std::vector<float> frames;
    for (size_t i = 0; i < left.size(); i++) {
        frames.push_back(left[i]);
        frames.push_back(right[i]);
    }
    write_wav(dir.file("in.wav"), frames, channels, rate);
    ASSERT_EQ(run_tool("'" + dir.file("in.wav") + "' '" + dir.file("out.wav") +
                       "' --drive 70 --tone 40 --heat 30 --mix 90 --volume 120"),
              0);
    SF_INFO info;
    std::vector<float> out = read_wav(dir.file("out.wav"), &info);
    ASSERT_EQ(info.channels, channels);
    EXPECT_EQ(info.samplerate, rate);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    ASSERT_EQ(out.size(), frames.size());

    DenormalScope ftz;
    for (int c = 0; c < channels; c++) {
        Engine e;
        engine_init(&e);
        const float values[] = {70, 40, 30, 90, 120, 0};
        for (int i = 0; i < ENGINE_PARAM_COUNT; i++)
            engine_set_parameter(&e, i, values[i]);
        engine_set_sample_rate(&e, (float)rate);
        engine_reset(&e);
        std::vector<float> expected = run(&e, c == 0 ? left : right), got;
        for (size_t i = 0; i < expected.size(); i++)
            got.push_back(out[i * channels + c]);
        EXPECT_TRUE(same_bits(got, expected)) << "channel " << c;
    }
}

TEST(BroltRender, DemoNeedsNoInputFile)
{
    TempDir dir;
    ASSERT_EQ(run_tool("--demo '" + dir.file("demo.wav") + "' --bypass"), 0);
    SF_INFO info;
    std::vector<float> out = read_wav(dir.file("demo.wav"), &info);
    EXPECT_EQ(info.channels, 1);
    EXPECT_GT(info.frames, 2 * info.samplerate);
    float peak = 0.0f;
    for (float v : out)
        peak = fmaxf(peak, fabsf(v));
    EXPECT_GT(peak, 0.05f);
    EXPECT_LT(peak, 1.0f);
}

TEST(BroltRender, BadInputEndsWithExitCodeTwo)
{
    TempDir dir;
    write_wav(dir.file("ok.wav"), noise(100, 0.5f), 1, 48000);
    FILE* f = fopen(dir.file("text.wav").c_str(), "w");
    ASSERT_NE(f, nullptr);
    fputs("not a sound file\n", f);
    fclose(f);
    const std::string out = " '" + dir.file("out.wav") + "'";
    const std::string ok = "'" + dir.file("ok.wav") + "'";
    const std::string cases[] = {
        "'" + dir.file("missing.wav") + "'" + out,
        "'" + dir.file("text.wav") + "'" + out,
        ok + out + " --drive 101",
        ok + out + " --volume -1",
        ok + out + " --tone nan",
        ok + out + " --heat",
        ok + out + " --speed 3",
        ok,
    };
    for (const std::string& args : cases)
        EXPECT_EQ(run_tool(args), 2) << args;
}
