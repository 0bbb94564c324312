#include <QApplication>
#include <QLocale>
#include <gtest/gtest.h>

// One application object for every test; number formats are pinned to English (United States).
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
