#include "media/ffmpeg_avi_writer.h"
#include "media/av_pixel_format.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>
#include <mutex>
#include <vector>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include "core/ui_text.h"
#include "media/avi_patch.h"
#include "media/cinepak_stream.h"
#include "media/jpeg_frames.h"

namespace tesmira {
namespace {

std::atomic<int64_t> g_sizeLimit{0};

constexpr int kIoBufferSize = 1 << 16;
constexpr uint8_t kBottomUp[9] = {'B', 'o', 't', 't', 'o', 'm', 'U', 'p', 0};

int BytesPerPixel(PixelLayout layout) {
    switch (layout) {
        case PixelLayout::Bgr24:
            return 3;
        case PixelLayout::Bgrx32:
            return 4;
        case PixelLayout::Gray8:
            return 1;
        case PixelLayout::Yuy2:
            return 2;
    }
    return 3;
}

const char* EncoderName(int mediaType) {
    switch (mediaType) {
        case 1:
        case 2:
            return "mjpeg";
        case 3:
            return "cinepak";
        case 4:
            return "msvideo1";
        default:
            return nullptr;
    }
}

std::string AvError(int code) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {0};
    av_strerror(code, buf, sizeof buf);
    return buf;
}

class FfmpegAviWriter : public IAviWriter {
public:
    ~FfmpegAviWriter() override { Close(nullptr); }

    bool Open(const std::string& path, const VideoFormat& video,
              const std::optional<AudioFormat>& audio, const CodecSettings& codec, double frameRate,
              std::string* error) override;
    bool WriteVideo(const uint8_t* data, size_t stride, int64_t ptsNs) override;
    bool WriteEncoded(const uint8_t* data, size_t bytes, int64_t ptsNs) override;
    bool WriteAudio(const uint8_t* data, size_t bytes, int64_t ptsNs) override;
    bool Close(std::string* error) override;
    bool IsOpen() const override {
        std::lock_guard<std::mutex> lock(mu_);
        return fmt_ != nullptr;
    }
    int64_t FramesWritten() const override {
        std::lock_guard<std::mutex> lock(mu_);
        return frames_;
    }

private:
    static int WriteCallback(void* opaque, uint8_t* buf, int size);
    static int64_t SeekCallback(void* opaque, int64_t offset, int whence);

    bool Fail(std::string* error, const std::string& text);
    bool SetUpVideo(const VideoFormat& video, const CodecSettings& codec, AVRational rate,
                    std::string* error);
    bool WritePacket(AVPacket* packet);
    bool EncodeAndWrite(AVFrame* frame);
    bool WriteRaw(const uint8_t* data, size_t stride);
    bool WriteCinepak(const uint8_t* data, size_t stride);
    void Release();

    mutable std::mutex mu_;
    int fd_ = -1;
    int64_t pos_ = 0;
    int64_t goodEnd_ = 0;
    int lastErrno_ = 0;
    AVFormatContext* fmt_ = nullptr;
    AVIOContext* io_ = nullptr;
    AVStream* videoStream_ = nullptr;
    AVStream* audioStream_ = nullptr;
    AVCodecContext* enc_ = nullptr;
    SwsContext* sws_ = nullptr;
    std::unique_ptr<CinepakStream> cinepak_;  // choice 3 on sizes our encoder takes
    AVFrame* frame_ = nullptr;
    AVPacket* packet_ = nullptr;
    std::vector<uint8_t> raw_;
    std::vector<uint8_t> completed_;  // a camera's JPEG frame with the tables it lacked
    VideoFormat video_;
    int audioBlockAlign_ = 2;
    int64_t frames_ = 0;    // video frames in the file
    int64_t framesIn_ = 0;  // frames handed to the encoder
    int64_t audioBlocks_ = 0;
    bool failed_ = false;
    bool rawFlip_ = false;    // bottom-up rows
    bool rawPadded_ = false;  // rows padded to 4 bytes
    bool palettePending_ = false;
    std::string path_;
};

int FfmpegAviWriter::WriteCallback(void* opaque, uint8_t* buf, int size) {
    auto* self = static_cast<FfmpegAviWriter*>(opaque);
    int64_t allowed = size;
    const int64_t limit = g_sizeLimit.load();
    if (limit > 0 && self->pos_ + size > limit)
        allowed = std::max<int64_t>(0, limit - self->pos_);
    int64_t done = 0;
    while (done < allowed) {
        const ssize_t put =
            pwrite(self->fd_, buf + done, size_t(allowed - done), self->pos_ + done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0) {
            self->lastErrno_ = put < 0 ? errno : ENOSPC;
            self->pos_ += done;
            return AVERROR(self->lastErrno_);
        }
        done += put;
    }
    self->pos_ += done;
    if (done < size) {
        self->lastErrno_ = ENOSPC;
        return AVERROR(ENOSPC);
    }
    return size;
}

int64_t FfmpegAviWriter::SeekCallback(void* opaque, int64_t offset, int whence) {
    auto* self = static_cast<FfmpegAviWriter*>(opaque);
    struct stat st {};
    switch (whence & ~AVSEEK_FORCE) {
        case AVSEEK_SIZE:
            if (fstat(self->fd_, &st) != 0)
                return AVERROR(errno);
            return st.st_size;
        case SEEK_SET:
            self->pos_ = offset;
            break;
        case SEEK_CUR:
            self->pos_ += offset;
            break;
        case SEEK_END:
            if (fstat(self->fd_, &st) != 0)
                return AVERROR(errno);
            self->pos_ = st.st_size + offset;
            break;
        default:
            return AVERROR(EINVAL);
    }
    return self->pos_;
}

bool FfmpegAviWriter::Fail(std::string* error, const std::string& text) {
    if (error)
        *error = text;
    Release();
    if (!path_.empty())
        unlink(path_.c_str());  // only a file this writer created itself
    path_.clear();
    return false;
}

bool FfmpegAviWriter::SetUpVideo(const VideoFormat& video, const CodecSettings& codec,
                                 AVRational rate, std::string* error) {
    videoStream_ = avformat_new_stream(fmt_, nullptr);
    if (!videoStream_)
        return Fail(error, "out of memory");
    videoStream_->time_base = av_inv_q(rate);
    AVCodecParameters* par = videoStream_->codecpar;
    par->codec_type = AVMEDIA_TYPE_VIDEO;
    par->width = video.width;
    par->height = video.height;

    if (video.jpeg) {
        // The camera's own pictures: no encoder, the frames are copied into the file.
        par->codec_id = AV_CODEC_ID_MJPEG;
        par->codec_tag = MKTAG('M', 'J', 'P', 'G');
        par->bits_per_coded_sample = 24;
        return true;
    }
    if (codec.mediaType < 1 || codec.mediaType > 4) {
        par->codec_id = AV_CODEC_ID_RAWVIDEO;
        const int bpp = BytesPerPixel(video.layout);
        par->bits_per_coded_sample = bpp * 8;
        switch (video.layout) {
            case PixelLayout::Bgr24:
                par->format = AV_PIX_FMT_BGR24;
                break;
            case PixelLayout::Bgrx32:
                par->format = AV_PIX_FMT_BGRA;
                break;  // x is never read
            case PixelLayout::Gray8:
                par->format = AV_PIX_FMT_PAL8;
                break;
            case PixelLayout::Yuy2:
                par->format = AV_PIX_FMT_YUYV422;
                break;
        }
        if (video.layout == PixelLayout::Yuy2) {
            par->codec_tag = MKTAG('Y', 'U', 'Y', '2');  // packed YUV is stored top-down
            raw_.resize(size_t(video.width) * 2 * size_t(video.height));
        } else if (video.layout == PixelLayout::Gray8) {
            // 8 bits with a grey palette, stored as a top-down DIB (negative height): the
            // muxer's palette slot and the bottom-up marker cannot be combined.
            par->codec_tag = 0;
            raw_.resize(((size_t(video.width) + 3) & ~size_t(3)) * size_t(video.height));
            rawPadded_ = true;
            palettePending_ = true;
        } else {
            // Uncompressed RGB in AVI is a bottom-up DIB with rows padded to 4 bytes.
            rawFlip_ = true;
            par->codec_tag = 0;
            par->extradata =
                static_cast<uint8_t*>(av_mallocz(sizeof kBottomUp + AV_INPUT_BUFFER_PADDING_SIZE));
            if (!par->extradata)
                return Fail(error, "out of memory");
            std::memcpy(par->extradata, kBottomUp, sizeof kBottomUp);
            par->extradata_size = sizeof kBottomUp;
            const size_t row = (size_t(video.width) * bpp + 3) & ~size_t(3);
            raw_.resize(row * size_t(video.height));
            rawPadded_ = true;
        }
        return true;
    }

    // Cinepak is ours: FFmpeg's encoder manages only a few frames a second. Neither takes a
    // size that is not a multiple of 4, so such a size is refused in plain words.
    if (codec.mediaType == 3) {
        cinepak_ = CinepakStream::Make(video, codec);
        if (!cinepak_)
            return Fail(error,
                        "Cinepak needs a picture width and height that are multiples of 4 (" +
                            std::to_string(video.width) + " × " + std::to_string(video.height) +
                            ")\n");
        par->codec_id = AV_CODEC_ID_CINEPAK;
        par->codec_tag = MKTAG('c', 'v', 'i', 'd');
        par->bits_per_coded_sample = 24;
        return true;
    }

    const AVCodec* encoder = avcodec_find_encoder_by_name(EncoderName(codec.mediaType));
    if (!encoder)
        return Fail(error, EncoderMissingMessage(codec.mediaType));
    enc_ = avcodec_alloc_context3(encoder);
    frame_ = av_frame_alloc();
    if (!enc_ || !frame_)
        return Fail(error, "out of memory");
    enc_->width = video.width;
    enc_->height = video.height;
    enc_->time_base = videoStream_->time_base;
    enc_->framerate = rate;
    if (codec.mediaType <= 2) {
        enc_->pix_fmt = AV_PIX_FMT_YUV420P;
        enc_->color_range = AVCOL_RANGE_JPEG;  // full-range JPEG samples
        const int q = std::clamp(codec.mjpegQuality, 1, 100);
        const int qscale = std::clamp(31 - (q - 1) * 29 / 99, 2, 31);
        enc_->flags |= AV_CODEC_FLAG_QSCALE;
        enc_->global_quality = FF_QP2LAMBDA * qscale;
        enc_->thread_count = 0;               // slices on every core: 1080p at 30 fps needs them
        enc_->thread_type = FF_THREAD_SLICE;  // no frame delay: one frame in, one out
        enc_->codec_tag = MKTAG('M', 'J', 'P', 'G');
    } else if (codec.mediaType == 3) {
        enc_->pix_fmt = video.layout == PixelLayout::Gray8 ? AV_PIX_FMT_GRAY8 : AV_PIX_FMT_RGB24;
        enc_->gop_size = std::max(1, codec.keyFrameInterval);
    } else {
        enc_->pix_fmt = AV_PIX_FMT_RGB555LE;
        enc_->gop_size = std::max(1, codec.keyFrameInterval);
    }
    int ret = avcodec_open2(enc_, encoder, nullptr);
    if (ret < 0)
        return Fail(error, EncoderMissingMessage(codec.mediaType) + AvError(ret) + "\n");
    ret = avcodec_parameters_from_context(par, enc_);
    if (ret < 0)
        return Fail(error, AvError(ret));
    if (codec.mediaType <= 2)
        par->codec_tag = MKTAG('M', 'J', 'P', 'G');
    frame_->format = enc_->pix_fmt;
    frame_->width = video.width;
    frame_->height = video.height;
    if (av_frame_get_buffer(frame_, 0) < 0)
        return Fail(error, "out of memory");
    sws_ = sws_getContext(video.width, video.height, AvPixelFormatOf(video.layout), video.width,
                          video.height, enc_->pix_fmt, SWS_BILINEAR, nullptr, nullptr, nullptr);
    if (!sws_)
        return Fail(error, "no colour conversion for this layout");
    if (enc_->color_range == AVCOL_RANGE_JPEG) {
        int* inv = nullptr;
        int* table = nullptr;
        int srcRange = 0, dstRange = 0, brightness = 0, contrast = 0, saturation = 0;
        sws_getColorspaceDetails(sws_, &inv, &srcRange, &table, &dstRange, &brightness, &contrast,
                                 &saturation);
        sws_setColorspaceDetails(sws_, inv, srcRange, table, 1, brightness, contrast, saturation);
    }
    return true;
}

bool FfmpegAviWriter::Open(const std::string& path, const VideoFormat& video,
                           const std::optional<AudioFormat>& audio, const CodecSettings& codec,
                           double frameRate, std::string* error) {
    std::lock_guard<std::mutex> lock(mu_);
    if (fmt_) {
        if (error)
            *error = "writer already open";
        return false;
    }
    path_.clear();
    if (video.width <= 0 || video.height <= 0 || video.width > 16384 || video.height > 16384 ||
        (video.layout == PixelLayout::Yuy2 && video.width % 2 != 0)) {
        if (error)
            *error = "unusable picture size";
        return false;
    }
    // O_EXCL: a recording never truncates a file that is already there.
    fd_ = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd_ < 0) {
        const int err = errno;
        if (error)
            *error = path + ": " + std::strerror(err);
        return false;
    }
    path_ = path;
    pos_ = goodEnd_ = 0;
    frames_ = framesIn_ = audioBlocks_ = 0;
    failed_ = rawFlip_ = rawPadded_ = palettePending_ = false;
    lastErrno_ = 0;
    video_ = video;

    AVRational rate{video.fpsNum > 0 ? video.fpsNum : 30, video.fpsDen > 0 ? video.fpsDen : 1};
    if (frameRate > 0.0)
        rate = av_d2q(frameRate, 100000);
    if (rate.num <= 0 || rate.den <= 0)
        rate = AVRational{30, 1};

    if (avformat_alloc_output_context2(&fmt_, nullptr, "avi", nullptr) < 0 || !fmt_)
        return Fail(error, "no AVI muxer in this FFmpeg");
    auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferSize));
    io_ =
        avio_alloc_context(buffer, kIoBufferSize, 1, this, nullptr, &WriteCallback, &SeekCallback);
    if (!io_) {
        av_free(buffer);
        return Fail(error, "out of memory");
    }
    io_->seekable = AVIO_SEEKABLE_NORMAL;  // lets the muxer write indexes and OpenDML parts
    fmt_->pb = io_;
    fmt_->flags |= AVFMT_FLAG_CUSTOM_IO;

    if (!SetUpVideo(video, codec, rate, error))
        return false;
    if (audio) {
        audioStream_ = avformat_new_stream(fmt_, nullptr);
        if (!audioStream_)
            return Fail(error, "out of memory");
        AVCodecParameters* par = audioStream_->codecpar;
        par->codec_type = AVMEDIA_TYPE_AUDIO;
        par->codec_id = AV_CODEC_ID_PCM_S16LE;
        par->sample_rate = audio->sampleRate > 0 ? audio->sampleRate : 44100;
        av_channel_layout_default(&par->ch_layout, std::clamp(audio->channels, 1, 8));
        par->bits_per_coded_sample = 16;
        par->block_align = 2 * par->ch_layout.nb_channels;
        audioBlockAlign_ = par->block_align;
        audioStream_->time_base = AVRational{1, par->sample_rate};
    }
    packet_ = av_packet_alloc();
    if (!packet_)
        return Fail(error, "out of memory");
    const int ret = avformat_write_header(fmt_, nullptr);
    if (ret < 0 || io_->error < 0)
        return Fail(error, path + ": " + AvError(ret < 0 ? ret : io_->error));
    avio_flush(io_);
    if (io_->error < 0)
        return Fail(error, path + ": " + AvError(io_->error));
    goodEnd_ = pos_;
    return true;
}

bool FfmpegAviWriter::WritePacket(AVPacket* packet) {
    int ret = av_write_frame(fmt_, packet);
    if (ret >= 0) {
        avio_flush(io_);
        if (io_->error < 0)
            ret = io_->error;
    }
    if (ret < 0) {
        // Cut the half-written chunk off so the file ends on a whole frame.
        failed_ = true;
        if (ftruncate(fd_, goodEnd_) == 0)
            pos_ = goodEnd_;
        return false;
    }
    goodEnd_ = pos_;
    return true;
}

bool FfmpegAviWriter::WriteRaw(const uint8_t* data, size_t stride) {
    const int height = video_.height;
    const size_t used = size_t(video_.width) * BytesPerPixel(video_.layout);
    const size_t row = rawPadded_ ? (used + 3) & ~size_t(3) : used;
    for (int y = 0; y < height; ++y) {
        const int target = rawFlip_ ? height - 1 - y : y;
        std::memcpy(raw_.data() + size_t(target) * row, data + size_t(y) * stride, used);
    }
    av_packet_unref(packet_);
    packet_->data = raw_.data();
    packet_->size = int(raw_.size());
    packet_->stream_index = videoStream_->index;
    packet_->pts = packet_->dts = frames_;
    packet_->duration = 1;
    packet_->flags |= AV_PKT_FLAG_KEY;
    if (palettePending_) {
        uint8_t* pal = av_packet_new_side_data(packet_, AV_PKT_DATA_PALETTE, AVPALETTE_SIZE);
        if (pal) {
            for (int i = 0; i < 256; ++i) {
                const uint32_t grey = 0xFF000000u | uint32_t(i) << 16 | uint32_t(i) << 8 | i;
                std::memcpy(pal + 4 * i, &grey, 4);
            }
        }
        palettePending_ = false;
    }
    const bool ok = WritePacket(packet_);
    av_packet_unref(packet_);
    return ok;
}

bool FfmpegAviWriter::WriteCinepak(const uint8_t* data, size_t stride) {
    bool key = false;
    const std::span<const uint8_t> bytes = cinepak_->Encode(data, stride, &key);
    if (bytes.empty())
        return false;
    av_packet_unref(packet_);
    // The muxer only reads the packet; the encoder's buffer lives until the next frame.
    packet_->data = const_cast<uint8_t*>(bytes.data());
    packet_->size = int(bytes.size());
    packet_->stream_index = videoStream_->index;
    packet_->pts = packet_->dts = frames_;
    packet_->duration = 1;
    if (key)
        packet_->flags |= AV_PKT_FLAG_KEY;
    const bool ok = WritePacket(packet_);
    av_packet_unref(packet_);
    return ok;
}

bool FfmpegAviWriter::EncodeAndWrite(AVFrame* frame) {
    int ret = avcodec_send_frame(enc_, frame);
    if (ret < 0)
        return false;
    for (;;) {
        ret = avcodec_receive_packet(enc_, packet_);
        if (ret == AVERROR(EAGAIN) || ret == AVERROR_EOF)
            return true;
        if (ret < 0)
            return false;
        packet_->stream_index = videoStream_->index;
        av_packet_rescale_ts(packet_, enc_->time_base, videoStream_->time_base);
        const bool ok = WritePacket(packet_);
        av_packet_unref(packet_);
        if (!ok)
            return false;
        ++frames_;  // counted when in the file, not when handed to the encoder
    }
}

bool FfmpegAviWriter::WriteVideo(const uint8_t* data, size_t stride, int64_t /*ptsNs*/) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!fmt_ || failed_ || !data || video_.jpeg)
        return false;
    // AVI holds a constant frame rate: frames follow each other, dropped ones are counted apart.
    if (!enc_) {
        if (!(cinepak_ ? WriteCinepak(data, stride) : WriteRaw(data, stride)))
            return false;
        ++frames_;
        return true;
    }
    if (av_frame_make_writable(frame_) < 0)
        return false;
    const uint8_t* src[4] = {data, nullptr, nullptr, nullptr};
    const int srcStride[4] = {int(stride), 0, 0, 0};
    sws_scale(sws_, src, srcStride, 0, video_.height, frame_->data, frame_->linesize);
    frame_->pts = framesIn_++;
    return EncodeAndWrite(frame_);
}

bool FfmpegAviWriter::WriteEncoded(const uint8_t* data, size_t bytes, int64_t /*ptsNs*/) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!fmt_ || failed_ || !data || bytes == 0 || !video_.jpeg ||
        bytes > size_t(std::numeric_limits<int>::max()) - 1024)
        return false;
    // A picture that is no JPEG at all is the caller's to refuse; here it would pass unchanged.
    if (CompleteJpegFrame(data, bytes, completed_) && !completed_.empty()) {
        data = completed_.data();
        bytes = completed_.size();
    }
    av_packet_unref(packet_);
    packet_->data = const_cast<uint8_t*>(data);  // the muxer only reads it
    packet_->size = int(bytes);
    packet_->stream_index = videoStream_->index;
    packet_->pts = packet_->dts = frames_;
    packet_->duration = 1;
    packet_->flags |= AV_PKT_FLAG_KEY;
    const bool ok = WritePacket(packet_);
    av_packet_unref(packet_);
    if (ok)
        ++frames_;
    return ok;
}

bool FfmpegAviWriter::WriteAudio(const uint8_t* data, size_t bytes, int64_t /*ptsNs*/) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!fmt_ || failed_ || !audioStream_ || !data)
        return false;
    const int64_t blocks = int64_t(bytes) / audioBlockAlign_;
    if (blocks <= 0)
        return true;
    av_packet_unref(packet_);
    if (av_new_packet(packet_, int(blocks * audioBlockAlign_)) < 0)
        return false;
    std::memcpy(packet_->data, data, size_t(blocks * audioBlockAlign_));
    packet_->stream_index = audioStream_->index;
    packet_->pts = packet_->dts = audioBlocks_;
    packet_->duration = blocks;
    packet_->flags |= AV_PKT_FLAG_KEY;
    const bool ok = WritePacket(packet_);
    av_packet_unref(packet_);
    if (ok)
        audioBlocks_ += blocks;
    return ok;
}

bool FfmpegAviWriter::Close(std::string* error) {
    std::lock_guard<std::mutex> lock(mu_);
    if (!fmt_) {
        if (fd_ >= 0)
            close(fd_);
        fd_ = -1;
        return true;
    }
    bool ok = !failed_;
    if (ok && enc_)
        ok = EncodeAndWrite(nullptr);  // frames still inside the encoder
    if (ok) {
        const int ret = av_write_trailer(fmt_);
        avio_flush(io_);
        ok = ret >= 0 && io_->error >= 0;
        if (!ok && ftruncate(fd_, goodEnd_) == 0)
            pos_ = goodEnd_;
    }
    if (!ok)
        PatchUnfinishedAvi(fd_, uint32_t(frames_), uint32_t(audioBlocks_));
    const int err = lastErrno_ ? lastErrno_ : EIO;
    Release();
    if (fd_ >= 0 && fsync(fd_) != 0 && ok && errno != EINVAL)
        ok = false;
    if (fd_ >= 0 && close(fd_) != 0)
        ok = false;
    fd_ = -1;
    if (!ok && error)
        *error = path_ + ": " + std::strerror(err) + " (the frames written so far are kept)";
    path_.clear();
    return ok;
}

void FfmpegAviWriter::Release() {
    if (sws_)
        sws_freeContext(sws_);
    sws_ = nullptr;
    cinepak_.reset();
    av_frame_free(&frame_);
    av_packet_free(&packet_);
    avcodec_free_context(&enc_);
    if (fmt_) {
        fmt_->pb = nullptr;
        avformat_free_context(fmt_);
        fmt_ = nullptr;
    }
    if (io_) {
        av_freep(&io_->buffer);
        avio_context_free(&io_);
    }
    videoStream_ = audioStream_ = nullptr;
    raw_.clear();
    raw_.shrink_to_fit();
    completed_.clear();
    completed_.shrink_to_fit();
}

}  // namespace

std::string EncoderMissingMessage(int mediaType) {
    switch (mediaType) {
        case 1:
            return "MJPEG filter is not found!\n";
        case 2:
            return UiText("Media",
                          "MJPG (Nikon) での圧縮には Nikon ViewNX 2 のインストールが必要です!\n");
        case 3:
            return "Cinepak Codec by Radius filter is not found!\n";
        case 4:
            return "Microsoft Video 1 filter is not found!\n";
        default:
            return "";
    }
}

void SetAviWriterSizeLimitForTests(int64_t bytes) {
    g_sizeLimit = bytes;
}

std::unique_ptr<IAviWriter> MakeFfmpegAviWriter() {
    return std::make_unique<FfmpegAviWriter>();
}

std::unique_ptr<IAviWriter> MakeAviWriter() {
    return MakeFfmpegAviWriter();
}

}  // namespace tesmira
