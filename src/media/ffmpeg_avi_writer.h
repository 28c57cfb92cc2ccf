// The AVI writer of the record branch, on FFmpeg's libavformat/libavcodec/libswscale.
//   0 raw: the camera's layout where AVI holds it (BGR 24 and BGRx 32 bottom-up, GRAY8 with a
//     grey palette, YUY2), nothing else to convert;
//   1, 2 MJPEG (each with its own quality); 3 Cinepak; 4 Microsoft Video 1 (RGB 555).
// Audio is 16-bit PCM in the second stream; the video stream list always comes first. Files
// larger than 1 GB continue in OpenDML "AVIX" parts (the muxer does this on a seekable output).
// The file is created exclusively: an existing file is never replaced.
#pragma once

#include <memory>

#include "media/avi_writer.h"

namespace tesmira {

// The "not found" message of a compressor choice whose encoder this FFmpeg lacks.
std::string EncoderMissingMessage(int mediaType);

// Overwrites the writer's file-size limit (bytes, 0 = none) so tests can play out a full disk.
void SetAviWriterSizeLimitForTests(int64_t bytes);

std::unique_ptr<IAviWriter> MakeFfmpegAviWriter();

}  // namespace tesmira
