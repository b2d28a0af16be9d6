#include "Unit_ConfigInfo.h"

namespace {

QStringList ListOf(std::initializer_list<const char *> texts)
{
    QStringList list;
    for (const char *text : texts)
        list << QString::fromUtf8(text);
    return list;
}

// Quality levels 0 to 4 of every type but AMR, which stays mono at 22050 Hz.
QStringList CommonProfiles()
{
    return ListOf({"none|none|none|2|0|0", "none|none|none|4|1|1", "none|none|none|5|1|2",
                   "none|none|none|7|1|2", "none|none|none|8|1|3"});
}

} // namespace

QStringList GetOutputTypeList()
{
    return ListOf({"AMR Audio Files (*.amr)", "AAC Advanced Audio Coding (*.aac)", "MP3 Files (*.mp3)",
                   "AC3 Dolby Surround Audio Coding-3 (*.ac3)", "M4A MPEG Audio Files (*.m4a)",
                   "OGG Audio Files (*.ogg)", "WAV Audio Files", "0"});
}

QStringList GetQualityList()
{
    return ListOf({"Low Quality", "Acceptable Quality", "Normal Quality", "Excellent Quality", "Superb Quality", "2"});
}

QStringList GetAspectRatioList() { return ListOf({"4:3", "16:9", "0"}); }
QStringList GetAudioBitrateList() { return ListOf({"16", "32", "48", "64", "80", "128", "160", "192", "224", "2"}); }
QStringList GetAudioChannelList() { return ListOf({"1 channel, Mono", "2 channels, Stereo", "1"}); }
QStringList GetFrameRateList() { return ListOf({"11", "15", "1"}); }
QStringList GetAudioSampleList() { return ListOf({"22050", "32000", "44100", "48000", "2"}); }
QStringList GetVideoBitrateList() { return ListOf({"40", "80", "128", "256", "512", "2"}); }
QStringList GetVideoSizeList() { return ListOf({"352x288", "176x144", "128x96", "320x240", "160x120", "1"}); }

QStringList GetVolumeList()
{
    QStringList list;
    for (int percent = 0; percent <= 500; percent += 25)
        list << QString::number(percent);
    list << QStringLiteral("8");
    return list;
}

QStringList GetCodecList()
{
    return ListOf({"-acodec amr_nb", "-acodec aac -vn", "-acodec mp3 -vn", "-acodec ac3 -vn", "-acodec aac -vn",
                   "-acodec vorbis -vn", "-acodec pcm_s16le -vn"});
}

QStringList GetExtensionList() { return ListOf({".amr", ".aac", ".mp3", ".ac3", ".m4a", ".ogg", ".wav"}); }

QStringList GetFormatList()
{
    return ListOf({"none", "none", "none", "none", "none", "none", "none"});
}

QStringList GetAMRProfileList()
{
    return ListOf({"none|none|none|2|0|0", "none|none|none|4|0|0", "none|none|none|5|0|0", "none|none|none|7|0|0",
                   "none|none|none|8|0|0"});
}

QStringList GetAACProfileList() { return CommonProfiles(); }
QStringList GetMP3ProfileList() { return CommonProfiles(); }
QStringList GetAC3ProfileList() { return CommonProfiles(); }
QStringList GetM4AProfileList() { return CommonProfiles(); }
QStringList GetOGGProfileList() { return CommonProfiles(); }
QStringList GetWAVProfileList() { return CommonProfiles(); }

QStringList GetProfileListOfType(int outputType)
{
    switch (outputType) {
    case 0: return GetAMRProfileList();
    case 1: return GetAACProfileList();
    case 2: return GetMP3ProfileList();
    case 3: return GetAC3ProfileList();
    case 4: return GetM4AProfileList();
    case 5: return GetOGGProfileList();
    case 6: return GetWAVProfileList();
    default: return {};
    }
}

QString SourceFileDialogFilter()
{
    return QStringLiteral(
        "Supported Files|*.3gp;*.mp4;*.m4v;*.mpeg;*.3g2;*.mpg;*.avi;*.asf;*.mov;*.wmv;*.flv;*.swf;*.rm;*.rmvb;*.vob;"
        "*.mkv;*.webm;*.ts;*.m2ts;*.mts;*.ogv;*.mp3;*.wav;*.flac;*.ogg;*.opus;*.m4a;*.aac;*.wma;*.ac3;*.amr;"
        "|3GP, 3G2 Files (*.3gp,*.3g2)|*.3gp|AVI Files (*.avi)|*.avi|ASF Files (*.asf)|*.asf|MOV Files (*.mov)|*.mov"
        "|FLV ,SWF Flash Video (*.flv,swf)|*.flv;*.swf|MP4 File (*.mp4,*.m4v)|*.mp4;*.m4v"
        "|MPEG Files (*.mpeg,*.mpg)|*.mpeg;*.mpg|RM, RMVB (*.rm,*.rmvb)|*.rm;*.rmvb"
        "|VOB Video Files (*.vob)|*.vob|WMV Video Files (*.wmv)|*.wmv"
        "|MKV, WebM Video Files (*.mkv,*.webm)|*.mkv;*.webm"
        "|MPEG-TS Video Files (*.ts,*.m2ts,*.mts)|*.ts;*.m2ts;*.mts"
        "|OGV Video Files (*.ogv)|*.ogv"
        "|Audio Files (*.mp3,*.wav,*.flac,*.ogg,*.opus,*.m4a,*.aac,*.wma,*.ac3,*.amr)"
        "|*.mp3;*.wav;*.flac;*.ogg;*.opus;*.m4a;*.aac;*.wma;*.ac3;*.amr");
}

QStringList SupportedExtensions()
{
    return ListOf({".3gp", ".3g2", ".avi", ".m4v", ".mp4", ".mpeg", ".mpg", ".asf", ".mov", ".wmv", ".vob", ".rm",
                   ".rmvb", ".flv", ".swf",
                   // Containers and sound files that users bring as often as the ones above.
                   ".mkv", ".webm", ".ts", ".m2ts", ".mts", ".ogv", ".mp3", ".wav", ".flac", ".ogg", ".opus",
                   ".m4a", ".aac", ".wma", ".ac3", ".amr"});
}
