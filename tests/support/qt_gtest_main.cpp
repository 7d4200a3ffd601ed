#include <QCoreApplication>
#include <gtest/gtest.h>

// GoogleTest with a Qt application object, so that Qt's picture readers load.
int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
