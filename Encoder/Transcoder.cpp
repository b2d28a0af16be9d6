#include "Transcoder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cmath>
#include <csignal>
#include <cstring>
#include <cstdlib>
#include <map>
#include <stdexcept>
#include <vector>

#include "AvHandles.h"

#include "Limiter.h"
#include "PartialOutput.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

namespace {

// A conversion gives up after this many damaged audio packets in a row (a
// few seconds of audio): the source is then damaged throughout.
constexpr int MostDamagedPacketsInARow = 100;
// Less audio than this from a longer source holds no complete frame.
constexpr double ShortestOutputSeconds = 0.1;

// A failure that ends the conversion, with the message the user sees.
class ConversionFailure : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
};

void Check(int result, const std::string &what)
{
    if (result < 0)
        throw ConversionFailure(what + " (" + AvErrorText(result) + ")");
}

std::string Lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

std::string ExtensionOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const auto dot = name.find_last_of('.');
    return dot == std::string::npos ? std::string() : Lower(name.substr(dot));
}

// What each output type is written with.
struct OutputType
{
    const char *muxer;
    const char *defaultCodec;
};

const std::map<std::string, OutputType> &OutputTypes()
{
    static const std::map<std::string, OutputType> types = {
        {".amr", {"amr", "amr_nb"}}, {".aac", {"adts", "aac"}},   {".mp3", {"mp3", "mp3"}},
        {".ac3", {"ac3", "ac3"}},    {".m4a", {"ipod", "aac"}},   {".ogg", {"ogg", "vorbis"}},
        {".wav", {"wav", "pcm_s16le"}},
    };
    return types;
}

// The quality encoders behind the codec names of the command line.
const char *EncoderNameFor(const std::string &codec)
{
    static const std::map<std::string, const char *> encoders = {
        {"amr_nb", "libopencore_amrnb"}, {"aac", "aac"},       {"mp3", "libmp3lame"},
        {"ac3", "ac3"},                  {"vorbis", "libvorbis"}, {"pcm_s16le", "pcm_s16le"},
    };
    const auto found = encoders.find(codec);
    return found == encoders.end() ? nullptr : found->second;
}

int NearestSampleRate(const AVCodec *codec, int wanted)
{
    if (!codec->supported_samplerates)
        return wanted;
    int best = codec->supported_samplerates[0];
    for (const int *rate = codec->supported_samplerates; *rate; ++rate)
        if (std::abs(*rate - wanted) < std::abs(best - wanted) || (std::abs(*rate - wanted) == std::abs(best - wanted) && *rate > best))
            best = *rate;
    return best;
}

int NearestChannelCount(const AVCodec *codec, int wanted)
{
    if (!codec->ch_layouts)
        return wanted;
    int best = codec->ch_layouts[0].nb_channels;
    for (const AVChannelLayout *layout = codec->ch_layouts; layout->nb_channels; ++layout)
        if (std::abs(layout->nb_channels - wanted) < std::abs(best - wanted))
            best = layout->nb_channels;
    return best;
}

// The chain works in planar float and can also hand over signed 16-bit
// interleaved samples; every encoder here takes one of the two.
AVSampleFormat PreferredSampleFormat(const AVCodec *codec)
{
    bool s16 = false;
    for (const AVSampleFormat *format = codec->sample_fmts; format && *format != AV_SAMPLE_FMT_NONE; ++format) {
        if (*format == AV_SAMPLE_FMT_FLTP)
            return AV_SAMPLE_FMT_FLTP;
        s16 = s16 || *format == AV_SAMPLE_FMT_S16;
    }
    if (!s16)
        throw ConversionFailure(std::string("no usable sample format for ") + codec->name);
    return AV_SAMPLE_FMT_S16;
}

// Bitrates to try, nearest to the wish first: where an encoder refuses a
// bitrate at the chosen rate and channel count, the nearest it takes is used.
std::vector<int64_t> BitrateCandidates(const std::string &codec, int64_t wanted)
{
    std::vector<int64_t> valid;
    if (codec == "amr_nb")
        valid = {4750, 5150, 5900, 6700, 7400, 7950, 10200, 12200};
    else if (codec == "ac3")
        valid = {32000, 40000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 160000, 192000, 224000, 256000,
                 320000, 384000, 448000, 512000, 576000, 640000};
    else if (codec == "mp3")
        valid = {8000, 16000, 24000, 32000, 40000, 48000, 56000, 64000, 80000, 96000, 112000, 128000, 144000, 160000,
                 192000, 224000, 256000, 320000};
    std::stable_sort(valid.begin(), valid.end(), [wanted](int64_t a, int64_t b) {
        return std::llabs(a - wanted) < std::llabs(b - wanted);
    });
    if (codec != "amr_nb" && codec != "ac3")
        valid.insert(valid.begin(), wanted);
    return valid;
}

// libvorbis in managed-bitrate mode refuses many rate and bitrate pairs; its
// quality mode opens everywhere. The quality is chosen so that the nominal
// bitrate comes near the wish (the table is for stereo at 44.1 kHz).
double VorbisQualityFor(int64_t bitrate, int channels)
{
    static const double table[][2] = {{45000, -1}, {64000, 0}, {80000, 1}, {96000, 2},  {112000, 3}, {128000, 4},
                                      {160000, 5}, {192000, 6}, {224000, 7}, {256000, 8}, {320000, 9}, {500000, 10}};
    const double stereoEquivalent = channels == 1 ? bitrate * 1.6 : bitrate * 2.0 / std::max(channels, 2);
    if (stereoEquivalent <= table[0][0])
        return -1;
    for (size_t i = 1; i < std::size(table); ++i) {
        if (stereoEquivalent <= table[i][0]) {
            const double share = (stereoEquivalent - table[i - 1][0]) / (table[i][0] - table[i - 1][0]);
            return table[i - 1][1] + share * (table[i][1] - table[i - 1][1]);
        }
    }
    return 10;
}

// The hidden file the output is written to until it is complete. A signal
// that ends the encoder removes it on the way out; only SIGKILL cannot be
// caught, and then the program that started the encoder removes it.
char g_partialPath[PATH_MAX + 256];
volatile sig_atomic_t g_partialArmed = 0;

extern "C" void RemovePartialAndDie(int signalNumber)
{
    if (g_partialArmed)
        ::unlink(g_partialPath);
    // The handler was reset on entry: the signal, raised again, ends the
    // process as it would have without it once this handler returns.
    ::raise(signalNumber);
}

void CatchEndingSignals()
{
    struct sigaction action {};
    action.sa_handler = RemovePartialAndDie;
    action.sa_flags = SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGPIPE, SIGXFSZ})
        ::sigaction(signalNumber, &action, nullptr);
}

class PartialOutput final
{
public:
    PartialOutput() = default;
    ~PartialOutput()
    {
        if (g_partialArmed) {
            g_partialArmed = 0;
            ::unlink(g_partialPath);
        }
    }
    PartialOutput(const PartialOutput &) = delete;
    PartialOutput &operator=(const PartialOutput &) = delete;

    // Creates the hidden file, new and empty.
    void Create(const std::string &finalPath)
    {
        m_path = PartialOutputPath(finalPath, ::getpid());
        if (m_path.size() >= sizeof g_partialPath)
            throw ConversionFailure("output path '" + finalPath + "' is too long");
        CatchEndingSignals();
        std::memcpy(g_partialPath, m_path.c_str(), m_path.size() + 1);
        g_partialArmed = 1;
        // An entry of this name can only be left over by an earlier process
        // that had the same id.
        ::unlink(m_path.c_str());
        const int fd = ::open(m_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0) {
            g_partialArmed = 0;
            throw ConversionFailure("cannot create output file '" + finalPath + "' (" + std::strerror(errno) + ")");
        }
        ::close(fd);
    }

    const std::string &Path() const { return m_path; }

    // Puts the complete file under its final name in one step, so that an
    // existing file there is replaced only by a finished one.
    void Commit(const std::string &finalPath)
    {
        const int fd = ::open(m_path.c_str(), O_RDONLY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::fsync(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            throw ConversionFailure("cannot write '" + finalPath + "' (" + std::strerror(errno) + ")");
        struct stat existing {};
        if (::stat(finalPath.c_str(), &existing) == 0 && S_ISREG(existing.st_mode))
            ::chmod(m_path.c_str(), existing.st_mode & 07777);
        if (::rename(m_path.c_str(), finalPath.c_str()) != 0)
            throw ConversionFailure("cannot write '" + finalPath + "' (" + std::strerror(errno) + ")");
        g_partialArmed = 0;
    }

private:
    std::string m_path;
};

struct ResamplerDeleter {
    void operator()(SwrContext *context) const { swr_free(&context); }
};

struct OutputFormatDeleter {
    void operator()(AVFormatContext *context) const
    {
        if (context->pb && !(context->oformat->flags & AVFMT_NOFILE))
            avio_closep(&context->pb);
        avformat_free_context(context);
    }
};
using OutputFormatPtr = std::unique_ptr<AVFormatContext, OutputFormatDeleter>;

// Progress reports: "size=    1234kB time=12.34 bitrate= 128.0kbits/s".
class ProgressReporter final
{
public:
    explicit ProgressReporter(std::FILE *stream) : m_stream(stream), m_last(std::chrono::steady_clock::now()) {}

    void Maybe(int64_t bytes, double seconds)
    {
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < std::chrono::milliseconds(500))
            return;
        m_last = now;
        Report(bytes, seconds);
    }
    void Report(int64_t bytes, double seconds, const std::string &note = std::string())
    {
        if (!m_stream)
            return;
        const double kbits = seconds > 0 ? bytes * 8.0 / 1000.0 / seconds : 0.0;
        std::fprintf(m_stream, "size=%8lldkB time=%.2f bitrate=%6.1fkbits/s%s\n",
                     static_cast<long long>((bytes + 1023) / 1024), seconds, kbits, note.c_str());
        std::fflush(m_stream);
    }

private:
    std::FILE *m_stream;
    std::chrono::steady_clock::time_point m_last;
};

class Transcoder final
{
public:
    Transcoder(const EncoderOptions &options, std::FILE *progress) : m_options(options), m_progress(progress) {}
    ~Transcoder() { av_channel_layout_uninit(&m_inputLayout); }
    Transcoder(const Transcoder &) = delete;
    Transcoder &operator=(const Transcoder &) = delete;

    void Run()
    {
        OpenInput();
        OpenDecoder();
        OpenEncoder();
        OpenOutput();
        OpenSampleChain();
        SeekToStart();
        Convert();
        Finish();
    }

private:
    void OpenInput()
    {
        int result = 0;
        m_input = OpenInputFormat(m_options.input.c_str(), &result);
        Check(result, "cannot open input file '" + m_options.input + "'");
        // The probe decodes a little of every stream; one thread each keeps
        // the video decoders from allocating frames for a whole thread pool.
        std::vector<AVDictionary *> probeOptions(m_input->nb_streams, nullptr);
        for (AVDictionary *&options : probeOptions)
            av_dict_set(&options, "threads", "1", 0);
        const int probed = avformat_find_stream_info(m_input.get(), probeOptions.data());
        for (AVDictionary *&options : probeOptions)
            av_dict_free(&options);
        Check(probed, "cannot read stream information of '" + m_options.input + "'");
        const AVCodec *decoder = nullptr;
        m_streamIndex = av_find_best_stream(m_input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &decoder, 0);
        if (m_streamIndex == AVERROR_STREAM_NOT_FOUND)
            throw ConversionFailure("input file '" + m_options.input + "' has no audio stream");
        if (m_streamIndex < 0 || !decoder)
            throw ConversionFailure("no decoder for the audio of '" + m_options.input + "'");
        m_decoderCodec = decoder;
        // Only the audio stream is read: video packets are not even parsed.
        for (unsigned i = 0; i < m_input->nb_streams; ++i)
            if (static_cast<int>(i) != m_streamIndex)
                m_input->streams[i]->discard = AVDISCARD_ALL;
    }

    void OpenDecoder()
    {
        AVStream *stream = m_input->streams[m_streamIndex];
        m_decoder.reset(avcodec_alloc_context3(m_decoderCodec));
        if (!m_decoder)
            throw ConversionFailure("out of memory");
        Check(avcodec_parameters_to_context(m_decoder.get(), stream->codecpar), "cannot set up the audio decoder");
        m_decoder->pkt_timebase = stream->time_base;
        Check(avcodec_open2(m_decoder.get(), m_decoderCodec, nullptr), "cannot open the audio decoder");
        if (m_decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&m_decoder->ch_layout, m_decoder->ch_layout.nb_channels);
    }

    void OpenEncoder()
    {
        const std::string extension = ExtensionOf(m_options.output);
        const auto type = OutputTypes().find(extension);
        if (m_options.format.empty() && type == OutputTypes().end())
            throw ConversionFailure("unsupported output file type '" + extension + "'");
        m_codecName = !m_options.codec.empty() ? m_options.codec : type->second.defaultCodec;
        m_muxerName = !m_options.format.empty() ? m_options.format : type->second.muxer;

        const AVOutputFormat *muxer = av_guess_format(m_muxerName.c_str(), nullptr, nullptr);
        if (!muxer)
            throw ConversionFailure("unknown output format '" + m_muxerName + "'");
        const char *encoderName = EncoderNameFor(m_codecName);
        const AVCodec *encoder = encoderName ? avcodec_find_encoder_by_name(encoderName) : nullptr;
        if (!encoder)
            throw ConversionFailure("no encoder for '" + m_codecName + "'");
        if (avformat_query_codec(muxer, encoder->id, FF_COMPLIANCE_NORMAL) == 0)
            throw ConversionFailure("codec '" + m_codecName + "' cannot be written to a '" + extension + "' file");

        const int rate = NearestSampleRate(encoder, m_options.sampleRate.value_or(m_decoder->sample_rate));
        const int channels = NearestChannelCount(encoder, m_options.channels.value_or(std::min(m_decoder->ch_layout.nb_channels, 2)));
        const int64_t bitrate = int64_t{m_options.bitrateKbps.value_or(128)} * 1000;

        std::vector<int64_t> candidates = {0};
        if (m_codecName != "pcm_s16le" && m_codecName != "vorbis")
            candidates = BitrateCandidates(m_codecName, bitrate);
        std::string lastError;
        for (const int64_t candidate : candidates) {
            CodecContextPtr context(avcodec_alloc_context3(encoder));
            if (!context)
                throw ConversionFailure("out of memory");
            context->sample_rate = rate;
            av_channel_layout_default(&context->ch_layout, channels);
            context->sample_fmt = PreferredSampleFormat(encoder);
            context->time_base = AVRational{1, rate};
            if (m_codecName == "vorbis") {
                context->flags |= AV_CODEC_FLAG_QSCALE;
                context->global_quality = static_cast<int>(VorbisQualityFor(bitrate, channels) * FF_QP2LAMBDA);
            } else if (candidate > 0) {
                context->bit_rate = candidate;
            }
            if (muxer->flags & AVFMT_GLOBALHEADER)
                context->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
            const int result = avcodec_open2(context.get(), encoder, nullptr);
            if (result >= 0) {
                m_encoder = std::move(context);
                return;
            }
            lastError = AvErrorText(result);
        }
        throw ConversionFailure("cannot open the " + m_codecName + " encoder (" + lastError + ")");
    }

    void OpenOutput()
    {
        struct stat existing {};
        const bool exists = ::stat(m_options.output.c_str(), &existing) == 0;
        if (exists && !m_options.overwrite)
            throw ConversionFailure("output file '" + m_options.output + "' already exists");
        struct stat source {};
        if (exists && ::stat(m_options.input.c_str(), &source) == 0 && source.st_dev == existing.st_dev
            && source.st_ino == existing.st_ino)
            throw ConversionFailure("output file '" + m_options.output + "' is the input file");

        AVFormatContext *context = nullptr;
        Check(avformat_alloc_output_context2(&context, nullptr, m_muxerName.c_str(), m_options.output.c_str()),
              "cannot create output format");
        m_output.reset(context);
        AVStream *stream = avformat_new_stream(m_output.get(), nullptr);
        if (!stream)
            throw ConversionFailure("out of memory");
        Check(avcodec_parameters_from_context(stream->codecpar, m_encoder.get()), "cannot set up the output stream");
        stream->time_base = m_encoder->time_base;
        CopyTags(stream);

        m_partial.Create(m_options.output);
        Check(avio_open(&m_output->pb, m_partial.Path().c_str(), AVIO_FLAG_WRITE),
              "cannot create output file '" + m_options.output + "'");
        Check(avformat_write_header(m_output.get(), nullptr), "cannot write the header of '" + m_options.output + "'");
    }

    void CopyTags(AVStream *stream)
    {
        static const char *const keys[] = {"title", "artist", "album", "date", "genre", "comment"};
        const AVDictionary *sources[] = {m_input->metadata, m_input->streams[m_streamIndex]->metadata};
        for (const char *key : keys) {
            for (const AVDictionary *source : sources) {
                const AVDictionaryEntry *entry = av_dict_get(source, key, nullptr, 0);
                if (entry) {
                    av_dict_set(&m_output->metadata, key, entry->value, 0);
                    // Ogg keeps its comments with the stream.
                    av_dict_set(&stream->metadata, key, entry->value, 0);
                    break;
                }
            }
        }
    }

    // The resampler turns decoded audio into the output's rate and layout:
    // planar float when the volume changes, as volume and limiting work on
    // that, else straight into the encoder's format. The FIFO cuts it into
    // frames of exactly the encoder's frame size.
    void OpenSampleChain()
    {
        const int volume = m_options.volumePercent.value_or(100);
        m_chainFormat = volume == 100 ? m_encoder->sample_fmt : AV_SAMPLE_FMT_FLTP;

        const int channels = m_encoder->ch_layout.nb_channels;
        m_fifo.reset(av_audio_fifo_alloc(m_chainFormat, channels, 4096));
        if (!m_fifo)
            throw ConversionFailure("out of memory");
        if (volume > 100)
            m_limiter = std::make_unique<Limiter>(channels, m_encoder->sample_rate, volume / 100.0);
        else
            m_gain = volume / 100.0f;
        m_frameSize = m_encoder->frame_size > 0 ? m_encoder->frame_size : 1024;

        m_segmentStart = std::llround(m_options.startSeconds.value_or(0.0) * AV_TIME_BASE);
        m_segmentEnd = m_options.lengthSeconds ? m_segmentStart + *m_options.lengthSeconds * AV_TIME_BASE : INT64_MAX;
    }

    // Starts reading near the segment start; the cut itself is exact to the sample.
    void SeekToStart()
    {
        const int64_t origin = m_input->start_time == AV_NOPTS_VALUE ? 0 : m_input->start_time;
        const AVStream *stream = m_input->streams[m_streamIndex];
        m_originPts = av_rescale_q(origin, AV_TIME_BASE_Q, stream->time_base);
        if (!m_options.startSeconds || *m_options.startSeconds <= 0)
            return;
        // Some containers land a little past the asked time; a second of
        // margin keeps the start inside what is decoded, and the first frame
        // is checked all the same.
        const int64_t target = origin + static_cast<int64_t>((*m_options.startSeconds - 1.0) * AV_TIME_BASE);
        if (target <= origin)
            return;
        // A file that cannot seek is simply read from its start.
        if (avformat_seek_file(m_input.get(), -1, INT64_MIN, target, target, 0) >= 0) {
            avcodec_flush_buffers(m_decoder.get());
            m_startPts = av_rescale_q(static_cast<int64_t>(*m_options.startSeconds * AV_TIME_BASE), AV_TIME_BASE_Q,
                                      stream->time_base);
            m_checkFirstFrame = true;
        }
    }

    // The seek went past the segment start: read the file from its beginning.
    void RewindToOrigin()
    {
        const int64_t origin = m_input->start_time == AV_NOPTS_VALUE ? 0 : m_input->start_time;
        Check(avformat_seek_file(m_input.get(), -1, INT64_MIN, origin, origin, 0), "cannot read '" + m_options.input + "' from its start");
        avcodec_flush_buffers(m_decoder.get());
        m_positionKnown = false;
    }

    void Convert()
    {
        PacketPtr packet(av_packet_alloc());
        FramePtr frame(av_frame_alloc());
        if (!packet || !frame)
            throw ConversionFailure("out of memory");
        ProgressReporter reporter(m_progress);
        m_reporter = &reporter;

        bool segmentDone = false;
        while (!segmentDone) {
            const int result = av_read_frame(m_input.get(), packet.get());
            if (result == AVERROR_EOF)
                break;
            // The demuxer resynchronises after damaged data; a long run of it
            // ends the conversion as damaged packets do.
            if (result == AVERROR_INVALIDDATA) {
                SkipDamagedPacket(result);
                continue;
            }
            if (result < 0)
                throw ConversionFailure("cannot read '" + m_options.input + "' (" + AvErrorText(result) + ")");
            if (packet->stream_index == m_streamIndex)
                segmentDone = Decode(packet.get(), frame.get());
            av_packet_unref(packet.get());
        }
        if (!segmentDone)
            Decode(nullptr, frame.get());
        FinishSamples();
        Encode(nullptr);
        if (m_samplesWritten == 0)
            throw ConversionFailure("no audio could be decoded from '" + m_options.input + "'" + SkippedText());
        // A few bytes of output from a longer source are no conversion.
        const double wanted = SourceSegmentSeconds();
        if (OutputSeconds() < ShortestOutputSeconds && wanted > ShortestOutputSeconds)
            throw ConversionFailure("only " + std::to_string(OutputSeconds()) + " s of audio could be decoded from '"
                                    + m_options.input + "'" + SkippedText());
        Check(av_write_trailer(m_output.get()), "cannot finish '" + m_options.output + "'");
        reporter.Report(avio_size(m_output->pb), OutputSeconds(), SkippedText());
    }

    // Closes the hidden file and gives it the final name.
    void Finish()
    {
        avio_flush(m_output->pb);
        const int written = m_output->pb->error;
        const int closed = avio_closep(&m_output->pb);
        Check(written < 0 ? written : closed, "cannot write '" + m_options.output + "'");
        m_partial.Commit(m_options.output);
    }

    // The length of the asked segment that the source holds; 0 when unknown.
    double SourceSegmentSeconds() const
    {
        if (m_input->duration == AV_NOPTS_VALUE || m_input->duration <= 0)
            return 0;
        double seconds = static_cast<double>(m_input->duration) / AV_TIME_BASE - m_options.startSeconds.value_or(0.0);
        if (m_options.lengthSeconds)
            seconds = std::min(seconds, static_cast<double>(*m_options.lengthSeconds));
        return std::max(seconds, 0.0);
    }

    std::string SkippedText() const
    {
        if (m_skippedPackets == 0)
            return {};
        return ", " + std::to_string(m_skippedPackets)
            + (m_skippedPackets == 1 ? " damaged audio packet skipped" : " damaged audio packets skipped");
    }

    // A packet the decoder refuses costs only its own samples; a long run of
    // them means the audio is damaged throughout, and the conversion ends.
    void SkipDamagedPacket(int result)
    {
        if (result == AVERROR(ENOMEM))
            throw ConversionFailure("out of memory");
        ++m_skippedPackets;
        if (++m_damagedInARow >= MostDamagedPacketsInARow)
            throw ConversionFailure("the audio of '" + m_options.input + "' is damaged throughout ("
                                    + std::to_string(m_damagedInARow) + " damaged packets in a row)" + SkippedText());
    }

    // Decodes one packet (or flushes with none) and passes its frames on;
    // true once the segment is complete.
    bool Decode(const AVPacket *packet, AVFrame *frame)
    {
        int result = avcodec_send_packet(m_decoder.get(), packet);
        // A damaged packet is skipped, as players do; the rest still converts.
        if (result < 0 && result != AVERROR_EOF)
            SkipDamagedPacket(result);
        for (;;) {
            result = avcodec_receive_frame(m_decoder.get(), frame);
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                return false;
            if (result < 0) {
                SkipDamagedPacket(result);
                continue;
            }
            m_damagedInARow = 0;
            const int64_t timestamp = frame->best_effort_timestamp;
            frame->pts = timestamp == AV_NOPTS_VALUE ? AV_NOPTS_VALUE : timestamp - m_originPts;
            if (m_checkFirstFrame) {
                m_checkFirstFrame = false;
                if (frame->pts != AV_NOPTS_VALUE && frame->pts > m_startPts) {
                    av_frame_unref(frame);
                    RewindToOrigin();
                    return false;
                }
            }
            const bool segmentDone = TakeFrame(frame);
            av_frame_unref(frame);
            if (segmentDone)
                return true;
        }
    }

    // Cuts a decoded frame to the segment and passes it on; true once the
    // segment has ended. Positions are in microseconds from the file's start.
    // Only the first frame after the start or a seek is placed by its
    // timestamp; later frames follow on sample by sample, so timestamp jumps
    // in the source (joined recordings, wrapped clocks) lose no audio.
    bool TakeFrame(const AVFrame *frame)
    {
        const int rate = frame->sample_rate;
        if (rate <= 0 || frame->nb_samples <= 0)
            return false;
        if (!m_positionKnown) {
            m_position = frame->pts == AV_NOPTS_VALUE
                ? 0
                : av_rescale_q(frame->pts, m_input->streams[m_streamIndex]->time_base, AV_TIME_BASE_Q);
            m_positionKnown = true;
        }
        const int64_t first = m_position;
        m_position += av_rescale(frame->nb_samples, AV_TIME_BASE, rate);
        if (first >= m_segmentEnd)
            return true;
        const int64_t skip = first < m_segmentStart ? av_rescale(m_segmentStart - first, rate, AV_TIME_BASE) : 0;
        const int64_t end = m_segmentEnd == INT64_MAX
            ? frame->nb_samples
            : std::min<int64_t>(frame->nb_samples, av_rescale(m_segmentEnd - first, rate, AV_TIME_BASE));
        if (end - skip > 0) {
            MatchResamplerTo(frame);
            const auto format = static_cast<AVSampleFormat>(frame->format);
            const int bytesPerSample = av_get_bytes_per_sample(format);
            const bool planar = av_sample_fmt_is_planar(format);
            const int channels = frame->ch_layout.nb_channels;
            std::vector<const uint8_t *> planes(static_cast<size_t>(planar ? channels : 1));
            for (size_t p = 0; p < planes.size(); ++p)
                planes[p] = frame->extended_data[p] + skip * bytesPerSample * (planar ? 1 : channels);
            Resample(planes.data(), static_cast<int>(end - skip));
        }
        return m_position >= m_segmentEnd;
    }

    // A stream may change its rate, layout or sample format on the way; the
    // resampler is then set up again for what the frames now carry.
    void MatchResamplerTo(const AVFrame *frame)
    {
        if (frame->sample_rate == m_inputRate && frame->format == m_inputFormat
            && av_channel_layout_compare(&frame->ch_layout, &m_inputLayout) == 0)
            return;
        if (m_resampler)
            Resample(nullptr, 0);
        // A layout that names only its channel count gets the usual one.
        AVChannelLayout input{};
        if (frame->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&input, frame->ch_layout.nb_channels);
        else
            Check(av_channel_layout_copy(&input, &frame->ch_layout), "out of memory");
        SwrContext *resampler = nullptr;
        const int result = swr_alloc_set_opts2(&resampler, &m_encoder->ch_layout, m_chainFormat, m_encoder->sample_rate,
                                               &input, static_cast<AVSampleFormat>(frame->format), frame->sample_rate,
                                               0, nullptr);
        av_channel_layout_uninit(&input);
        Check(result, "cannot set up the resampler");
        m_resampler.reset(resampler);
        Check(swr_init(m_resampler.get()), "cannot set up the resampler");
        m_inputRate = frame->sample_rate;
        m_inputFormat = frame->format;
        av_channel_layout_uninit(&m_inputLayout);
        Check(av_channel_layout_copy(&m_inputLayout, &frame->ch_layout), "out of memory");
    }

    // Resamples (or, with no input, drains the resampler) into the FIFO.
    void Resample(const uint8_t *const *input, int count)
    {
        if (!m_resampler)
            return;
        const int room = swr_get_out_samples(m_resampler.get(), count);
        if (room <= 0)
            return;
        const int channels = m_encoder->ch_layout.nb_channels;
        const bool planar = av_sample_fmt_is_planar(m_chainFormat);
        const size_t planeBytes = static_cast<size_t>(room) * static_cast<size_t>(av_get_bytes_per_sample(m_chainFormat))
            * static_cast<size_t>(planar ? 1 : channels);
        m_planes.resize(static_cast<size_t>(planar ? channels : 1));
        std::vector<uint8_t *> out;
        for (auto &plane : m_planes) {
            plane.resize(planeBytes);
            out.push_back(plane.data());
        }
        const int got = swr_convert(m_resampler.get(), out.data(), room, const_cast<const uint8_t **>(input), count);
        Check(got, "cannot resample the audio");
        AddToFifo(got);
    }

    // Applies the volume (planar float chain only) and queues the samples.
    void AddToFifo(int count)
    {
        std::vector<void *> source;
        for (auto &plane : m_planes)
            source.push_back(plane.data());
        size_t ready = static_cast<size_t>(count);
        if (m_limiter) {
            const int channels = m_encoder->ch_layout.nb_channels;
            m_limited.resize(static_cast<size_t>(channels));
            std::vector<float *> limited;
            for (auto &plane : m_limited) {
                plane.resize(std::max(ready, m_limiter->Delay()));
                limited.push_back(plane.data());
            }
            std::vector<const float *> input;
            for (void *plane : source)
                input.push_back(static_cast<const float *>(plane));
            ready = count > 0 ? m_limiter->Process(input.data(), ready, limited.data()) : m_limiter->Flush(limited.data());
            source.assign(limited.begin(), limited.end());
        } else if (m_chainFormat == AV_SAMPLE_FMT_FLTP && m_gain != 1.0f) {
            for (void *plane : source)
                for (size_t i = 0; i < ready; ++i)
                    static_cast<float *>(plane)[i] *= m_gain;
        }
        if (ready > 0 && av_audio_fifo_write(m_fifo.get(), source.data(), static_cast<int>(ready)) < 0)
            throw ConversionFailure("out of memory");
        while (av_audio_fifo_size(m_fifo.get()) >= m_frameSize)
            EncodeFromFifo(m_frameSize);
    }

    // The end of the input: drains the resampler and the limiter and sends
    // the last, possibly shorter, frame.
    void FinishSamples()
    {
        Resample(nullptr, 0);
        if (m_limiter)
            AddToFifo(0);
        if (const int left = av_audio_fifo_size(m_fifo.get()); left > 0)
            EncodeFromFifo(left);
    }

    void EncodeFromFifo(int count)
    {
        FramePtr frame(av_frame_alloc());
        if (!frame)
            throw ConversionFailure("out of memory");
        frame->nb_samples = count;
        frame->format = m_encoder->sample_fmt;
        frame->sample_rate = m_encoder->sample_rate;
        Check(av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout), "out of memory");
        Check(av_frame_get_buffer(frame.get(), 0), "out of memory");
        const int channels = m_encoder->ch_layout.nb_channels;
        if (m_chainFormat == m_encoder->sample_fmt) {
            Check(av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void **>(frame->extended_data), count),
                  "cannot read buffered audio");
        } else {
            // Planar float to signed 16-bit interleaved; the samples are in range.
            m_scratch.resize(static_cast<size_t>(channels));
            std::vector<void *> pointers;
            for (auto &plane : m_scratch) {
                plane.resize(static_cast<size_t>(count));
                pointers.push_back(plane.data());
            }
            Check(av_audio_fifo_read(m_fifo.get(), pointers.data(), count), "cannot read buffered audio");
            auto *samples = reinterpret_cast<int16_t *>(frame->data[0]);
            for (int c = 0; c < channels; ++c) {
                const float *plane = m_scratch[static_cast<size_t>(c)].data();
                for (int i = 0; i < count; ++i)
                    samples[i * channels + c] = static_cast<int16_t>(std::lrint(std::clamp(plane[i], -1.0f, 1.0f) * 32767.0f));
            }
        }
        // The first report says at once that the conversion has begun.
        if (m_samplesWritten == 0 && m_reporter)
            m_reporter->Report(avio_tell(m_output->pb), 0);
        frame->pts = m_samplesWritten;
        m_samplesWritten += count;
        Encode(frame.get());
    }

    void Encode(const AVFrame *frame)
    {
        Check(avcodec_send_frame(m_encoder.get(), frame), "cannot encode the audio");
        PacketPtr packet(av_packet_alloc());
        if (!packet)
            throw ConversionFailure("out of memory");
        AVStream *stream = m_output->streams[0];
        for (;;) {
            const int result = avcodec_receive_packet(m_encoder.get(), packet.get());
            if (result == AVERROR(EAGAIN) || result == AVERROR_EOF)
                break;
            Check(result, "cannot encode the audio");
            av_packet_rescale_ts(packet.get(), m_encoder->time_base, stream->time_base);
            packet->stream_index = 0;
            Check(av_write_frame(m_output.get(), packet.get()), "cannot write '" + m_options.output + "'");
        }
        if (m_reporter)
            m_reporter->Maybe(avio_tell(m_output->pb), OutputSeconds());
    }

    double OutputSeconds() const { return static_cast<double>(m_samplesWritten) / m_encoder->sample_rate; }

    const EncoderOptions &m_options;
    std::FILE *m_progress;
    InputFormatPtr m_input;
    const AVCodec *m_decoderCodec = nullptr;
    CodecContextPtr m_decoder;
    CodecContextPtr m_encoder;
    std::string m_codecName;
    std::string m_muxerName;
    // Declared before the output so that the file is closed before a failed
    // conversion removes it.
    PartialOutput m_partial;
    OutputFormatPtr m_output;
    std::unique_ptr<SwrContext, ResamplerDeleter> m_resampler;
    AudioFifoPtr m_fifo;
    std::unique_ptr<Limiter> m_limiter;
    float m_gain = 1.0f;
    int m_frameSize = 1024;
    int64_t m_segmentStart = 0;
    int64_t m_segmentEnd = INT64_MAX;
    int64_t m_position = 0;
    bool m_positionKnown = false;
    int m_inputRate = 0;
    int m_inputFormat = -1;
    AVChannelLayout m_inputLayout{};
    AVSampleFormat m_chainFormat = AV_SAMPLE_FMT_FLTP;
    std::vector<std::vector<uint8_t>> m_planes;
    std::vector<std::vector<float>> m_limited;
    std::vector<std::vector<float>> m_scratch;
    int m_streamIndex = -1;
    int64_t m_originPts = 0;
    int64_t m_startPts = 0;
    bool m_checkFirstFrame = false;
    int64_t m_samplesWritten = 0;
    ProgressReporter *m_reporter = nullptr;
    long long m_skippedPackets = 0;
    int m_damagedInARow = 0;
};

} // namespace

bool Transcode(const EncoderOptions &options, std::FILE *progress, std::string *error)
{
    try {
        Transcoder transcoder(options, progress);
        transcoder.Run();
        return true;
    } catch (const ConversionFailure &failure) {
        *error = failure.what();
        return false;
    } catch (const std::bad_alloc &) {
        *error = "out of memory";
        return false;
    }
}
