// Repair of a large raw AVI killed mid-recording: a child process records with our writer until
// the file reaches the size asked for and is killed with SIGKILL (so the file spans several
// OpenDML parts, the last one open); the repair is then timed.
// Usage: bench_avi_repair [gigabytes, default 3] [folder, default /dev/shm] [keep: leave the file]
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_util.h"
#include "media/ffmpeg_avi_writer.h"
#include "recording/avi_repair.h"

using namespace tesmira;

int main(int argc, char** argv) {
    const double gigabytes = argc > 1 ? std::atof(argv[1]) : 3.0;
    const std::string folder = argc > 2 ? argv[2] : "/dev/shm";
    const std::string path = folder + "/tesmira-bench-repair-" + std::to_string(getpid()) + ".avi";
    constexpr int kW = 640, kH = 480;
    const int64_t target = int64_t(gigabytes * double(1ll << 30));

    const double recordStart = bench::Now();
    const pid_t child = fork();
    if (child == 0) {
        auto writer = MakeFfmpegAviWriter();
        std::string error;
        if (!writer->Open(path, {kW, kH, PixelLayout::Bgr24, 30, 1}, AudioFormat{44100, 1, 16}, {},
                          30.0, &error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            _exit(3);
        }
        std::vector<uint8_t> frame(size_t(kW) * 3 * kH);
        std::vector<uint8_t> pcm(2 * 44100 / 30, 0);
        const int64_t frames = target / int64_t(frame.size() + pcm.size() + 16);
        for (int64_t i = 0; i < frames; ++i) {
            frame[size_t(i) % frame.size()] = uint8_t(i);
            if (!writer->WriteVideo(frame.data(), size_t(kW) * 3, 0) ||
                !writer->WriteAudio(pcm.data(), pcm.size(), 0))
                _exit(4);
        }
        raise(SIGKILL);
    }
    int status = 0;
    waitpid(child, &status, 0);
    const double recordSeconds = bench::Now() - recordStart;
    struct stat st {};
    if (!WIFSIGNALED(status) || stat(path.c_str(), &st) != 0) {
        std::fprintf(stderr, "the recording did not run (status %d)\n", status);
        unlink(path.c_str());
        return 1;
    }

    // The repair after a power cut finds nothing of the file in memory: write it out and drop it
    // from the page cache (a RAM disk keeps it anyway), so the time is that of a cold start.
    if (const int fd = open(path.c_str(), O_RDONLY); fd >= 0) {
        fdatasync(fd);
        posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        close(fd);
    }
    const double cpu0 = bench::SelfCpu();
    const double t0 = bench::Now();
    const AviRepairResult r = RepairAvi(path);
    const double seconds = bench::Now() - t0;
    const double cpu = bench::SelfCpu() - cpu0;
    const AviRepairResult again = RepairAvi(path);

    std::printf("killed raw AVI %dx%d + PCM: %.2f GB in %s, recorded in %.1f s\n", kW, kH,
                double(st.st_size) / double(1ll << 30), folder.c_str(), recordSeconds);
    std::printf("repair: %s, %lld frames, %d RIFF parts, %lld bytes cut\n",
                AviRepairStatusName(r.status), (long long)r.videoFrames, r.segments,
                (long long)r.cutBytes);
    std::printf("repair time %.3f s wall, %.3f s CPU\n", seconds, cpu);
    std::printf("bytes read %lld (%.4f%% of the file), bytes written %lld\n",
                (long long)r.bytesRead, 100.0 * double(r.bytesRead) / double(st.st_size),
                (long long)r.bytesWritten);
    std::printf("second repair: %s\n", AviRepairStatusName(again.status));
    std::printf("peak RSS %.1f MB\n", bench::PeakRssMb());
    if (!r.error.empty())
        std::printf("error: %s\n", r.error.c_str());
    if (argc > 3 && std::string(argv[3]) == "keep")
        std::printf("kept %s\n", path.c_str());
    else
        unlink(path.c_str());
    return r.status == AviRepairStatus::Repaired ? 0 : 1;
}
