#include "avi_probe.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswscale/swscale.h>
}

namespace tesmira::test {

ProbedAvi ProbeAvi(const std::string& path) {
    ProbedAvi out;
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0)
        return out;
    if (avformat_find_stream_info(fmt, nullptr) < 0 || fmt->nb_streams == 0) {
        avformat_close_input(&fmt);
        return out;
    }
    out.opened = true;
    out.streams = int(fmt->nb_streams);
    AVStream* vs = fmt->streams[0];
    out.videoCodec = avcodec_get_name(vs->codecpar->codec_id);
    out.width = vs->codecpar->width;
    out.height = vs->codecpar->height;
    out.frameRate = av_q2d(vs->r_frame_rate);
    out.headerFrames = vs->nb_frames;
    if (fmt->nb_streams > 1) {
        out.secondCodec = avcodec_get_name(fmt->streams[1]->codecpar->codec_id);
        out.audioSampleRate = fmt->streams[1]->codecpar->sample_rate;
    }
    const AVCodec* dec = avcodec_find_decoder(vs->codecpar->codec_id);
    AVCodecContext* ctx = dec ? avcodec_alloc_context3(dec) : nullptr;
    if (ctx && avcodec_parameters_to_context(ctx, vs->codecpar) >= 0 &&
        avcodec_open2(ctx, dec, nullptr) >= 0) {
        AVPacket* pkt = av_packet_alloc();
        AVFrame* frame = av_frame_alloc();
        auto take = [&]() {
            while (avcodec_receive_frame(ctx, frame) >= 0) {
                if (out.decodedFrames++ == 0) {
                    out.firstFrameBgr.resize(size_t(frame->width) * frame->height * 3);
                    SwsContext* sws = sws_getContext(
                        frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                        frame->height, AV_PIX_FMT_BGR24, SWS_POINT, nullptr, nullptr, nullptr);
                    uint8_t* dst[4] = {out.firstFrameBgr.data()};
                    int dstStride[4] = {frame->width * 3};
                    sws_scale(sws, frame->data, frame->linesize, 0, frame->height, dst, dstStride);
                    sws_freeContext(sws);
                }
                av_frame_unref(frame);
            }
        };
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->stream_index == 0) {
                if (avcodec_send_packet(ctx, pkt) >= 0)
                    take();
            } else if (pkt->stream_index == 1) {
                out.audioBytes += pkt->size;
            }
            av_packet_unref(pkt);
        }
        avcodec_send_packet(ctx, nullptr);
        take();
        av_frame_free(&frame);
        av_packet_free(&pkt);
    }
    avcodec_free_context(&ctx);
    avformat_close_input(&fmt);
    return out;
}

std::vector<uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

std::string MakeTempDir(const std::string& base) {
    std::string pattern = base + "/tesmira-rec-XXXXXX";
    if (!mkdtemp(pattern.data()))
        return std::string();
    return pattern;
}

void RemoveTree(const std::string& path) {
    if (path.size() < 8)
        return;
    const std::string cmd = "rm -rf '" + path + "'";
    if (std::system(cmd.c_str()) != 0)
        std::fprintf(stderr, "could not remove %s\n", path.c_str());
}

bool HaveFfmpegProgram() {
    return std::system("ffmpeg -hide_banner -version >/dev/null 2>&1") == 0;
}

}  // namespace tesmira::test
