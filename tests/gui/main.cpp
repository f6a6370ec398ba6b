// Runs the window tests inside one QApplication (offscreen under CTest).
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

namespace {

// The offscreen platform reports every window that asks for size hints;
// those lines say nothing about the tests.
void quietHandler(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
    if (msg.contains(QStringLiteral("propagateSizeHints"))) return;
    qt_message_output(type, context, msg);
}

}  // namespace

int main(int argc, char** argv) {
    qInstallMessageHandler(quietHandler);
    if (!std::getenv("QT_QPA_PLATFORM")) ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
