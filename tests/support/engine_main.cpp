// The test program of engine tests: no widgets, no windows, only QtCore.
#include <QCoreApplication>

#include <gtest/gtest.h>

extern "C" {
#include <libavutil/log.h>
}

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    av_log_set_level(AV_LOG_QUIET);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
