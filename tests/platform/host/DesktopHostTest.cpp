// The desktop window on Qt's offscreen platform: clicks, wheel, keys and input-method text, a dropped
// file, a resize, a worker's hop to main through Qt's loop, and quitting.
#include "platform/host/DesktopHost.h"
#include "platform/foundation/Dispatch.h"
#include "platform/ui/GestureRecognizer.h"
#include "platform/ui/ScrollView.h"
#include "platform/ui/TextField.h"
#include "platform/ui/ViewController.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>
#include <QWindow>

#include <thread>

namespace {

using namespace ui;

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "desktop_host_tests";
    static char* argv[] = {name, nullptr};
    // Never destroyed: other statics (fonts, the drawing backend) outlive it at exit.
    static auto* application = new QGuiApplication(argc, argv);
    return *application;
}

void click(QWindow* w, QPointF p) {
    QMouseEvent press(QEvent::MouseButtonPress, p, w->mapToGlobal(p), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(w, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, p, w->mapToGlobal(p), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QCoreApplication::sendEvent(w, &release);
}

struct Desktop : ::testing::Test {
    void SetUp() override { app(); }
};

TEST_F(Desktop, ClicksTypingWheelDropAndQuit) {
    host::DesktopHost host({{400, 300}, false, "test"});
    auto* qw = static_cast<QWindow*>(host.nativeWindow());
    host.show();

    auto first = std::make_shared<ViewController>();
    first->setTitle("First");
    auto second = std::make_shared<ViewController>();
    second->setTitle("Second");
    auto tabs = std::make_shared<TabBarController>();
    tabs->setViewControllers({first, second});
    host.window().setRootViewController(tabs);
    host.drain();

    // A click on the second tab (the right half of the bar at the bottom).
    click(qw, {300, 300 - 20});
    EXPECT_EQ(tabs->selectedIndex(), 1u);

    // Keys and input-method text go to the first responder.
    auto field = std::make_shared<TextField>(Rect{10, 10, 200, 30});
    second->view().addSubview(field);
    click(qw, {50, 25});
    ASSERT_TRUE(field->isFirstResponder());
    QKeyEvent a(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(qw, &a);
    QInputMethodEvent im;
    im.setCommitString("ñu");
    QCoreApplication::sendEvent(qw, &im);
    QKeyEvent back(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
    QCoreApplication::sendEvent(qw, &back);
    EXPECT_EQ(field->text(), "añ");
    QInputMethodQueryEvent query(Qt::ImEnabled | Qt::ImSurroundingText);
    QCoreApplication::sendEvent(qw, &query);
    EXPECT_TRUE(query.value(Qt::ImEnabled).toBool());
    EXPECT_EQ(query.value(Qt::ImSurroundingText).toString().toStdString(), "añ");

    // The wheel scrolls the scroll view under the pointer.
    auto scroll = std::make_shared<ScrollView>(Rect{0, 50, 400, 150});
    scroll->setContentSize({400, 1000});
    second->view().addSubview(scroll);
    QWheelEvent wheel({100, 100}, qw->mapToGlobal(QPointF{100, 100}), QPoint(), QPoint(0, -120), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(qw, &wheel);
    EXPECT_EQ(scroll->contentOffset(), (Point{0, 40}));

    // A dropped file is handed over.
    std::vector<std::string> handed;
    host.onFileHandedOver = [&](const std::string& path) { handed.push_back(path); };
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile("/tmp/table.csv")});
    QDropEvent drop({100, 100}, Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(qw, &drop);
    EXPECT_EQ(handed, (std::vector<std::string>{"/tmp/table.csv"}));

    // A resize reaches the root view.
    qw->resize(500, 320);
    EXPECT_TRUE(host.runUntil([&] { return host.window().bounds().size == Size{500, 320}; }, 5));
    EXPECT_EQ(tabs->view().frame().size, (Size{500, 320}));

    // Quitting ends the loop.
    QTimer::singleShot(0, [&] { host.quit(); });
    EXPECT_EQ(host.exec(), 0);
}

TEST_F(Desktop, AWorkersSyncHopAndTimersRunThroughQtsLoop) {
    host::DesktopHost host;
    std::atomic<bool> done{false};
    bool onMain = false;
    std::thread worker([&] {
        dispatch::mainQueue().sync([&] { onMain = dispatch::isMainThread(); });
        done = true;
    });
    EXPECT_TRUE(host.runUntil([&] { return done.load(); }, 20));
    worker.join();
    EXPECT_TRUE(onMain);
    bool fired = false;
    auto timer = dispatch::after(0.05, dispatch::mainQueue(), [&] { fired = true; });
    EXPECT_TRUE(host.runUntil([&] { return fired; }, 5));
}

} // namespace

namespace {

TEST_F(Desktop, CtrlWheelPinchesAndAResizeIsASizeTransition) {
    host::DesktopHost host({{400, 300}, false, "test"});
    auto* qw = static_cast<QWindow*>(host.nativeWindow());
    struct Root : ViewController {
        std::vector<Size> sizes;
        void viewWillTransitionToSize(Size s) override { sizes.push_back(s); }
    };
    auto root = std::make_shared<Root>();
    host.window().setRootViewController(root);
    host.show();
    std::vector<std::pair<GestureState, double>> steps;
    auto pinch = std::make_shared<PinchGestureRecognizer>([&](GestureRecognizer& g) {
        steps.push_back({g.state(), static_cast<PinchGestureRecognizer&>(g).scale()});
    });
    root->view().addGestureRecognizer(pinch);
    for (int i = 0; i < 2; ++i) {
        QWheelEvent wheel({100, 100}, qw->mapToGlobal(QPointF{100, 100}), QPoint(), QPoint(0, 120),
                          Qt::NoButton, Qt::ControlModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(qw, &wheel);
    }
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_Control, Qt::NoModifier);
    QCoreApplication::sendEvent(qw, &release);
    ASSERT_EQ(steps.size(), 3u);
    EXPECT_EQ(steps[0].first, GestureState::Began);
    EXPECT_EQ(steps[1].first, GestureState::Changed);
    EXPECT_NEAR(steps[1].second, 1.21, 1e-9);
    EXPECT_EQ(steps[2].first, GestureState::Ended);

    qw->resize(640, 480);
    EXPECT_TRUE(host.runUntil([&] { return !root->sizes.empty(); }, 5));
    EXPECT_EQ(root->sizes.back(), (Size{640, 480}));
    EXPECT_EQ(host.window().traitCollection().screenSize, (Size{640, 480}));
}

} // namespace
