#include "media_kit/ffmpeg_cvid.h"

#include <cmath>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
}

namespace tesmira {

namespace {

std::string AvError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

}  // namespace

struct FfmpegCvidDecoder::Impl {
    AVCodecContext* ctx = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* pkt = nullptr;
    ~Impl() {
        av_packet_free(&pkt);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }
};

FfmpegCvidDecoder::FfmpegCvidDecoder(int width, int height) : impl_(std::make_unique<Impl>()) {
    const AVCodec* codec = avcodec_find_decoder(AV_CODEC_ID_CINEPAK);
    if (!codec)
        return;
    impl_->ctx = avcodec_alloc_context3(codec);
    impl_->ctx->width = width;
    impl_->ctx->height = height;
    impl_->ctx->bits_per_coded_sample = 24;
    impl_->frame = av_frame_alloc();
    impl_->pkt = av_packet_alloc();
    ok_ = avcodec_open2(impl_->ctx, codec, nullptr) >= 0;
}

FfmpegCvidDecoder::~FfmpegCvidDecoder() = default;

bool FfmpegCvidDecoder::Decode(std::span<const uint8_t> data, std::vector<uint8_t>* bgr,
                               std::string* error) {
    if (!ok_)
        return false;
    AVPacket* pkt = impl_->pkt;
    if (av_new_packet(pkt, int(data.size())) < 0)
        return false;
    std::copy(data.begin(), data.end(), pkt->data);
    int rc = avcodec_send_packet(impl_->ctx, pkt);
    av_packet_unref(pkt);
    if (rc >= 0)
        rc = avcodec_receive_frame(impl_->ctx, impl_->frame);
    if (rc < 0) {
        if (error)
            *error = AvError(rc);
        return false;
    }
    const AVFrame* f = impl_->frame;
    if (f->format != AV_PIX_FMT_RGB24) {
        if (error)
            *error = "unexpected pixel format";
        return false;
    }
    bgr->resize(size_t(f->width) * f->height * 3);
    for (int y = 0; y < f->height; ++y) {
        const uint8_t* s = f->data[0] + int64_t(y) * f->linesize[0];
        uint8_t* d = bgr->data() + size_t(y) * f->width * 3;
        for (int x = 0; x < f->width; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    av_frame_unref(impl_->frame);
    return true;
}

struct FfmpegCvidEncoder::Impl {
    AVCodecContext* ctx = nullptr;
    AVFrame* frame = nullptr;
    AVPacket* pkt = nullptr;
    int64_t pts = 0;
    ~Impl() {
        av_packet_free(&pkt);
        av_frame_free(&frame);
        avcodec_free_context(&ctx);
    }
};

FfmpegCvidEncoder::FfmpegCvidEncoder(int width, int height, int keyFrameInterval)
    : impl_(std::make_unique<Impl>()) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_CINEPAK);
    if (!codec)
        return;
    AVCodecContext* c = impl_->ctx = avcodec_alloc_context3(codec);
    c->width = width;
    c->height = height;
    c->pix_fmt = AV_PIX_FMT_RGB24;
    c->time_base = AVRational{1, 30};
    if (keyFrameInterval > 0)
        c->gop_size = keyFrameInterval;
    impl_->frame = av_frame_alloc();
    impl_->frame->format = AV_PIX_FMT_RGB24;
    impl_->frame->width = width;
    impl_->frame->height = height;
    impl_->pkt = av_packet_alloc();
    ok_ = avcodec_open2(c, codec, nullptr) >= 0 && av_frame_get_buffer(impl_->frame, 0) >= 0;
}

FfmpegCvidEncoder::~FfmpegCvidEncoder() = default;

std::span<const uint8_t> FfmpegCvidEncoder::Encode(const uint8_t* bgr, int stride, bool* isKey) {
    if (!ok_ || av_frame_make_writable(impl_->frame) < 0)
        return {};
    AVFrame* f = impl_->frame;
    for (int y = 0; y < f->height; ++y) {
        const uint8_t* s = bgr + int64_t(y) * stride;
        uint8_t* d = f->data[0] + int64_t(y) * f->linesize[0];
        for (int x = 0; x < f->width; ++x) {
            d[3 * x] = s[3 * x + 2];
            d[3 * x + 1] = s[3 * x + 1];
            d[3 * x + 2] = s[3 * x];
        }
    }
    f->pts = impl_->pts++;
    av_packet_unref(impl_->pkt);
    if (avcodec_send_frame(impl_->ctx, f) < 0 || avcodec_receive_packet(impl_->ctx, impl_->pkt) < 0)
        return {};
    if (isKey)
        *isKey = (impl_->pkt->flags & AV_PKT_FLAG_KEY) != 0;
    return {impl_->pkt->data, size_t(impl_->pkt->size)};
}

double PsnrBgr(const uint8_t* a, int strideA, const uint8_t* b, int strideB, int width,
               int height) {
    uint64_t sse = 0;
    for (int y = 0; y < height; ++y) {
        const uint8_t* pa = a + int64_t(y) * strideA;
        const uint8_t* pb = b + int64_t(y) * strideB;
        for (int x = 0; x < width * 3; ++x) {
            const int d = int(pa[x]) - int(pb[x]);
            sse += uint64_t(d * d);
        }
    }
    if (sse == 0)
        return 99.0;
    const double mse = double(sse) / (double(width) * height * 3);
    return 10.0 * std::log10(255.0 * 255.0 / mse);
}

bool WriteCvidAvi(const std::string& path, int width, int height, int fps,
                  const std::vector<CvidPacket>& packets, std::string* error) {
    AVFormatContext* fmt = nullptr;
    int rc = avformat_alloc_output_context2(&fmt, nullptr, "avi", path.c_str());
    if (rc < 0 || !fmt) {
        if (error)
            *error = AvError(rc);
        return false;
    }
    AVStream* st = avformat_new_stream(fmt, nullptr);
    st->codecpar->codec_type = AVMEDIA_TYPE_VIDEO;
    st->codecpar->codec_id = AV_CODEC_ID_CINEPAK;
    st->codecpar->codec_tag = MKTAG('c', 'v', 'i', 'd');
    st->codecpar->width = width;
    st->codecpar->height = height;
    st->codecpar->bits_per_coded_sample = 24;
    st->time_base = AVRational{1, fps};
    rc = avio_open(&fmt->pb, path.c_str(), AVIO_FLAG_WRITE);
    if (rc >= 0)
        rc = avformat_write_header(fmt, nullptr);
    AVPacket* pkt = av_packet_alloc();
    for (size_t i = 0; rc >= 0 && i < packets.size(); ++i) {
        rc = av_new_packet(pkt, int(packets[i].data.size()));
        if (rc < 0)
            break;
        std::copy(packets[i].data.begin(), packets[i].data.end(), pkt->data);
        pkt->stream_index = st->index;
        pkt->pts = pkt->dts = av_rescale_q(int64_t(i), AVRational{1, fps}, st->time_base);
        pkt->flags = packets[i].key ? AV_PKT_FLAG_KEY : 0;
        rc = av_interleaved_write_frame(fmt, pkt);
        av_packet_unref(pkt);
    }
    if (rc >= 0)
        rc = av_write_trailer(fmt);
    av_packet_free(&pkt);
    if (fmt->pb)
        avio_closep(&fmt->pb);
    avformat_free_context(fmt);
    if (rc < 0 && error)
        *error = AvError(rc);
    return rc >= 0;
}

}  // namespace tesmira
