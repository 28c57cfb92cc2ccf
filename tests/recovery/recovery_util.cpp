#include "recovery_util.h"

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

#include "media/ffmpeg_avi_writer.h"

namespace tesmira::test {
namespace {

constexpr int kW = 64, kH = 48;

std::string Run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (!p)
        return out;
    char buf[4096];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0)
        out.append(buf, n);
    pclose(p);
    return out;
}

}  // namespace

bool RecordAndKill(const std::string& path, const KilledRecording& rec) {
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        auto writer = MakeFfmpegAviWriter();
        VideoFormat video{kW, kH, PixelLayout::Bgr24, 30, 1};
        CodecSettings codec;
        codec.mediaType = rec.mediaType;
        codec.keyFrameInterval = rec.keyFrameInterval;
        std::optional<AudioFormat> audio;
        if (rec.audio)
            audio = AudioFormat{8000, 1, 16};
        std::string error;
        if (!writer->Open(path, video, audio, codec, 30.0, &error))
            _exit(3);
        std::vector<uint8_t> frame(size_t(kW) * 3 * kH);
        std::vector<uint8_t> pcm(2 * 8000 / 30, 0x11);
        for (int i = 0; i < rec.frames; ++i) {
            for (size_t k = 0; k < frame.size(); ++k)
                frame[k] = uint8_t(k * 7 + size_t(i) * 13 + (k / (kW * 3)) * 3);
            if (!writer->WriteVideo(frame.data(), size_t(kW) * 3, i * 33333333ll))
                _exit(4);
            if (rec.audio && !writer->WriteAudio(pcm.data(), pcm.size(), i * 33333333ll))
                _exit(5);
        }
        if (rec.finish)
            _exit(writer->Close(&error) ? 0 : 7);
        raise(SIGKILL);
        _exit(6);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (rec.finish)
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

ProbeCount ProbeVideoFrames(const std::string& path) {
    const std::string out =
        Run("ffprobe -v error -count_frames -select_streams v -show_entries "
            "stream=nb_frames,nb_read_frames -of csv=p=0 '" +
            path + "' 2>/dev/null");
    ProbeCount c;
    const size_t comma = out.find(',');
    if (comma == std::string::npos)
        return c;
    const std::string a = out.substr(0, comma), b = out.substr(comma + 1);
    c.headerFrames = a.empty() || a[0] == 'N' ? -1 : std::atoll(a.c_str());
    c.readFrames = b.empty() || b[0] == 'N' ? -1 : std::atoll(b.c_str());
    return c;
}

std::string ProbeKeyFlags(const std::string& path) {
    const std::string out =
        Run("ffprobe -v error -select_streams v -show_entries packet=flags "
            "-of csv=p=0 '" +
            path + "' 2>/dev/null");
    std::string flags;
    for (size_t at = 0; at < out.size();) {
        const size_t nl = out.find('\n', at);
        if (at < out.size() && out[at] != '\n')
            flags += out[at] == 'K' ? 'K' : '_';
        at = nl == std::string::npos ? out.size() : nl + 1;
    }
    return flags;
}

std::vector<uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteAll(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

int64_t MtimeNs(const std::string& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0)
        return -1;
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

std::string FreshDir() {
    char tmpl[] = "/tmp/tesmira-recovery-XXXXXX";
    const char* dir = mkdtemp(tmpl);
    return dir ? dir : "/tmp";
}

void RiffBuilder::U32(uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes.push_back(uint8_t(v >> (8 * i)));
}
void RiffBuilder::U16(uint16_t v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
}
size_t RiffBuilder::Begin(const char* id, const char* type) {
    Fcc(id);
    const size_t at = bytes.size();
    U32(0);
    if (type)
        Fcc(type);
    return at;
}
void RiffBuilder::End(size_t sizeAt) {
    Set32(sizeAt, uint32_t(bytes.size() - sizeAt - 4));
    if (bytes.size() & 1)
        bytes.push_back(0);
}
void RiffBuilder::Set32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + size_t(i)] = uint8_t(v >> (8 * i));
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8 | uint32_t(b[at + 2]) << 16 |
           uint32_t(b[at + 3]) << 24;
}

}  // namespace tesmira::test
