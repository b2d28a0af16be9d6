#pragma once

#include <QStringList>

// The fixed catalogue: output types, quality levels, option choice lists and
// the built-in quality profiles. A choice list holds the items in display
// order followed by the index of the item selected by default.

QStringList GetOutputTypeList();
QStringList GetQualityList();
QStringList GetAspectRatioList();
QStringList GetAudioBitrateList();
QStringList GetAudioChannelList();
QStringList GetFrameRateList();
QStringList GetAudioSampleList();
QStringList GetVideoBitrateList();
QStringList GetVideoSizeList();
QStringList GetVolumeList();

// Per output type, indexed 0 (AMR) to 6 (WAV).
QStringList GetCodecList();
QStringList GetExtensionList();
QStringList GetFormatList();

// The five profile strings of a type, quality level 0 first.
QStringList GetAMRProfileList();
QStringList GetAACProfileList();
QStringList GetMP3ProfileList();
QStringList GetAC3ProfileList();
QStringList GetM4AProfileList();
QStringList GetOGGProfileList();
QStringList GetWAVProfileList();

// The profile table of an output type index; empty outside 0 to 6.
QStringList GetProfileListOfType(int outputType);

// The open dialog's filter, in "Label|patterns|..." form.
QString SourceFileDialogFilter();
// The extensions the source list accepts, lower case, dot included.
QStringList SupportedExtensions();
