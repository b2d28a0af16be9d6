#include <QApplication>

#include <gtest/gtest.h>

#include "FakePlatform.h"

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ResetFakePlatform();
    av_log_set_level(AV_LOG_QUIET);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
