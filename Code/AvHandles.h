#pragma once

#include <memory>
#include <string>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/error.h>
}

// Owning handles for the FFmpeg objects: each frees its object with the
// library's own function on every path out.

struct InputFormatDeleter {
    void operator()(AVFormatContext *context) const { avformat_close_input(&context); }
};
using InputFormatPtr = std::unique_ptr<AVFormatContext, InputFormatDeleter>;

struct CodecContextDeleter {
    void operator()(AVCodecContext *context) const { avcodec_free_context(&context); }
};
using CodecContextPtr = std::unique_ptr<AVCodecContext, CodecContextDeleter>;

struct FrameDeleter {
    void operator()(AVFrame *frame) const { av_frame_free(&frame); }
};
using FramePtr = std::unique_ptr<AVFrame, FrameDeleter>;

struct PacketDeleter {
    void operator()(AVPacket *packet) const { av_packet_free(&packet); }
};
using PacketPtr = std::unique_ptr<AVPacket, PacketDeleter>;

struct AudioFifoDeleter {
    void operator()(AVAudioFifo *fifo) const { av_audio_fifo_free(fifo); }
};
using AudioFifoPtr = std::unique_ptr<AVAudioFifo, AudioFifoDeleter>;

// The library's text for an error code.
inline std::string AvErrorText(int code)
{
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

// Opens a media file for reading; null when libavformat cannot open it.
inline InputFormatPtr OpenInputFormat(const char *path, int *error = nullptr)
{
    AVFormatContext *context = nullptr;
    const int result = avformat_open_input(&context, path, nullptr, nullptr);
    if (error)
        *error = result;
    return InputFormatPtr(result < 0 ? nullptr : context);
}
