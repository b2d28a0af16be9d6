#include <QApplication>

#include <gtest/gtest.h>

#include "FakePlatform.h"

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    ResetFakePlatform();
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
