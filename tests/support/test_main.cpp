
#include <gtest/gtest.h>

#include "FakePlatform.h"
#include "FlashForm.h"
#include "Simple.h"

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The program's own application object, so errors escaping a handler
    // are reported as in the running program.
    TApplication application(argc, argv);
    ResetFakePlatform();
    // The splash's waits go through the fake layer's pause instead of real timers.
    TFrmFlashForm::SetClock(TFrmFlashForm::TClock::PlatformPause);
    av_log_set_level(AV_LOG_QUIET);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
