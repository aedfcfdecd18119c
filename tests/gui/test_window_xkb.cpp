// The keyboard-layout indicator on a real X server: the XKB group and its name, group switches
// and new keymaps, and status panel 2 following them. The test runs itself again under a private
// Xvfb with the layouts "us,ru"; without Xvfb or setxkbmap it is skipped.
#include "AppFixture.h"

#include "platform/gui/XkbKeyboardLayout.h"

#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <cstdio>
#include <unistd.h>
#include <vector>
// The XKB protocol header names a field "explicit".
#define explicit explicit_
#include <xcb/xkb.h>
#undef explicit

namespace {

const char *const ChildMark = "QUIL_XKB_TEST_UNDER_XVFB";

bool setLayouts(const QString &layouts)
{
    return QProcess::execute(QStringLiteral("setxkbmap"), {QStringLiteral("-layout"), layouts}) ==
           0;
}

// Locks the keyboard to a group, as a layout switch does.
void lockGroup(int group)
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    QVERIFY(x11);
    xcb_connection_t *connection = x11->connection();
    xcb_xkb_latch_lock_state(connection, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1, uint8_t(group), 0, 0, 0);
    xcb_flush(connection);
}

quil::XkbKeyboardLayout *xkbLayout()
{
    return dynamic_cast<quil::XkbKeyboardLayout *>(&quil::keyboardLayout());
}

} // namespace

class TestWindowXkb : public QObject {
    Q_OBJECT
private slots:
    void init();
    void readsGroupAndName();
    void indicatorFollowsSwitches();
};

void TestWindowXkb::init()
{
    if (!qEnvironmentVariableIsSet(ChildMark))
        QSKIP("needs Xvfb and setxkbmap");
    QVERIFY(setLayouts(QStringLiteral("us,ru")));
    lockGroup(0);
    QTRY_COMPARE(xkbLayout() ? xkbLayout()->currentGroup() : -1, 0);
}

void TestWindowXkb::readsGroupAndName()
{
    quil::XkbKeyboardLayout *layout = xkbLayout();
    QVERIFY(layout);
    QCOMPARE(layout->currentName(), QStringLiteral("English (US)"));
    QCOMPARE(layout->currentLanguage(), quil::LanguageEnglish);

    QSignalSpy switches(layout, &quil::KeyboardLayout::switched);
    lockGroup(1);
    QTRY_COMPARE(switches.size(), 1);
    QCOMPARE(layout->currentGroup(), 1);
    QCOMPARE(layout->currentName(), QStringLiteral("Russian"));
    QCOMPARE(layout->currentLanguage(), quil::LanguageRussian);

    // Locking the group it is in already is no switch.
    lockGroup(1);
    QTest::qWait(200);
    QCOMPARE(switches.size(), 1);

    // A new keymap that puts Russian first, the group staying 1, is a switch to English.
    QVERIFY(setLayouts(QStringLiteral("ru,us")));
    QTRY_COMPARE(layout->currentLanguage(), quil::LanguageEnglish);
    QCOMPARE(layout->currentName(), QStringLiteral("English (US)"));
    QTRY_COMPARE(switches.size(), 2);
}

void TestWindowXkb::indicatorFollowsSwitches()
{
    AppFixture app;
    quil::setKeyboardLayout(app.previousKeyboard); // the server's layout, not the fake
    app.start();
    QCOMPARE(running().Form1->statusPanel(2), QStringLiteral("English"));
    lockGroup(1);
    QTRY_COMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
    lockGroup(0);
    QTRY_COMPARE(running().Form1->statusPanel(2), QStringLiteral("English"));
    // The selection's position in the panel gives way to the next switch.
    running().Form1->setStatusPanel(2, QStringLiteral("1 из 3"));
    lockGroup(1);
    QTRY_COMPARE(running().Form1->statusPanel(2), QStringLiteral("Русский"));
}

int main(int argc, char **argv)
{
    if (!qEnvironmentVariableIsSet(ChildMark)) {
        const QString xvfbRun = QStandardPaths::findExecutable(QStringLiteral("xvfb-run"));
        const bool canRun = !xvfbRun.isEmpty() &&
                            !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
                            !QStandardPaths::findExecutable(QStringLiteral("setxkbmap")).isEmpty();
        if (canRun) {
            qputenv(ChildMark, "1");
            qputenv("QT_QPA_PLATFORM", "xcb");
            const QByteArray program = xvfbRun.toLocal8Bit();
            std::vector<char *> arguments = {const_cast<char *>(program.constData()),
                                             const_cast<char *>("-a"), const_cast<char *>("-s"),
                                             const_cast<char *>("-screen 0 1280x1024x24")};
            for (int i = 0; i < argc; ++i)
                arguments.push_back(argv[i]);
            arguments.push_back(nullptr);
            execv(program.constData(), arguments.data());
            std::perror("xvfb-run"); // and on without a server: every case is skipped
            qunsetenv(ChildMark);
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
    }
    quil::QuilApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    TestWindowXkb test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_window_xkb.moc"
