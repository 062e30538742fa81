// The Qt window behind the desktop host: painting through the graphics Qt backend, input routing,
// and the main queue woken by queued calls into Qt's event loop.
#include "platform/host/DesktopHost.h"

#include "platform/foundation/Dispatch.h"
#include "platform/foundation/VectorState.h"
#include "platform/graphics/Screen.h"
#include "platform/graphics/qt/QtBackend.h"
#include "platform/host/HeadlessHost.h"
#include "platform/ui/Environment.h"
#include "platform/ui/ViewController.h"

#include <QCoreApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QInputMethodEvent>
#include <QInputMethodQueryEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QRasterWindow>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QWheelEvent>

#include <chrono>
#include <cmath>

namespace host {

namespace {

class SteadyClock : public ui::HostClock {
  public:
    double now() const override {
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
    }
};

constexpr int kMouseFinger = 0;
// Points scrolled per wheel notch.
constexpr double kPointsPerNotch = 40;

// Images choose their high-resolution variant by the densest screen attached.
void updateLargestScreenScale() {
    double largest = 1;
    for (const QScreen* screen : QGuiApplication::screens())
        largest = std::max(largest, screen->devicePixelRatio());
    gfx::setLargestScreenScale(largest);
}

} // namespace

class RootWindow : public QRasterWindow {
  public:
    explicit RootWindow(DesktopHost& host) : host_(host) {}

  protected:
    void paintEvent(QPaintEvent*) override {
        {
            QPainter painter(this);
            auto ctx = gfx::qt::makePainterContext(&painter, gfx::Rect{0, 0, double(width()), double(height())},
                                                   devicePixelRatio());
            host_.window().layer().renderInContext(*ctx);
        }
        // What follows the painting runs with the vector registers as it needs them.
        foundation::clearUpperVectorState();
    }
    void resizeEvent(QResizeEvent*) override {
        host_.window().transitionToSize({double(width()), double(height())});
        host_.drain();
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton)
            return;
        host_.window().touchBegan(kMouseFinger, point(e->position()));
        host_.drain();
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (!(e->buttons() & Qt::LeftButton))
            return;
        host_.window().touchMoved(kMouseFinger, point(e->position()));
        host_.drain();
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        if (e->button() != Qt::LeftButton)
            return;
        host_.window().touchEnded(kMouseFinger, point(e->position()));
        host_.drain();
    }
    void wheelEvent(QWheelEvent* e) override {
        // Wheel up (a positive angle) shows what is above: a negative scroll.
        QPoint pixels = e->pixelDelta();
        gfx::Size delta = !pixels.isNull() ? gfx::Size{-double(pixels.x()), -double(pixels.y())}
                                           : gfx::Size{-e->angleDelta().x() / 120.0 * kPointsPerNotch,
                                                       -e->angleDelta().y() / 120.0 * kPointsPerNotch};
        // Ctrl+wheel pinches: each notch scales by about 10%.
        if (e->modifiers() & Qt::ControlModifier) {
            host_.window().pinch(point(e->position()), std::pow(1.1, e->angleDelta().y() / 120.0));
            host_.drain();
            return;
        }
        host_.window().endPinch();
        if (e->modifiers() & Qt::ShiftModifier)
            std::swap(delta.width, delta.height);
        host_.window().scrollWheel(point(e->position()), delta);
        host_.drain();
    }
    void keyReleaseEvent(QKeyEvent* e) override {
        if (e->key() == Qt::Key_Control)
            host_.window().endPinch();
    }
    void keyPressEvent(QKeyEvent* e) override {
        ui::Window& w = host_.window();
        switch (e->key()) {
        case Qt::Key_Backspace:
            w.deleteBackward();
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            w.pressReturn();
            break;
        default:
            if (!e->text().isEmpty() && e->text().at(0).isPrint())
                w.insertText(e->text().toStdString());
            break;
        }
        host_.drain();
    }
    bool event(QEvent* e) override {
        switch (e->type()) {
        case QEvent::InputMethod: {
            auto* im = static_cast<QInputMethodEvent*>(e);
            if (!im->commitString().isEmpty())
                host_.window().insertText(im->commitString().toStdString());
            host_.drain();
            return true;
        }
        case QEvent::InputMethodQuery: {
            auto* q = static_cast<QInputMethodQueryEvent*>(e);
            ui::View* responder = host_.window().firstResponder();
            bool takesText = dynamic_cast<ui::KeyInput*>(responder) != nullptr;
            if (q->queries() & Qt::ImEnabled)
                q->setValue(Qt::ImEnabled, takesText);
            if ((q->queries() & Qt::ImCursorRectangle) && responder) {
                gfx::Rect r = responder->convertRectToView(responder->bounds(), nullptr);
                q->setValue(Qt::ImCursorRectangle,
                            QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height));
            }
            if ((q->queries() & Qt::ImSurroundingText) && responder)
                q->setValue(Qt::ImSurroundingText, QString::fromStdString(responder->displayedText()));
            q->accept();
            return true;
        }
        case QEvent::DragEnter: {
            auto* d = static_cast<QDragEnterEvent*>(e);
            if (d->mimeData() && d->mimeData()->hasUrls())
                d->acceptProposedAction();
            return true;
        }
        case QEvent::Drop: {
            auto* d = static_cast<QDropEvent*>(e);
            if (!d->mimeData())
                return true;
            for (const QUrl& url : d->mimeData()->urls())
                if (url.isLocalFile() && host_.onFileHandedOver)
                    host_.onFileHandedOver(url.toLocalFile().toStdString());
            d->acceptProposedAction();
            host_.drain();
            return true;
        }
        default:
            return QRasterWindow::event(e);
        }
    }

  private:
    static gfx::Point point(QPointF p) { return {p.x(), p.y()}; }
    DesktopHost& host_;
};

struct GuiApplication::Impl {
    int argc = 1;
    std::string name;
    char* argv[2] = {nullptr, nullptr};
    std::unique_ptr<QGuiApplication> application;
};

GuiApplication::GuiApplication(const std::string& programName, const std::string& desktopFileName)
    : impl_(std::make_unique<Impl>()) {
    impl_->name = programName;
    impl_->argv[0] = impl_->name.data();
    impl_->application = std::make_unique<QGuiApplication>(impl_->argc, impl_->argv);
    QGuiApplication::setApplicationName(QString::fromStdString(programName));
    // Ties the window to the installed desktop entry (its icon and name in the desktop's task list).
    QGuiApplication::setDesktopFileName(QString::fromStdString(desktopFileName));
}

GuiApplication::~GuiApplication() = default;

struct DesktopHost::Impl {
    std::unique_ptr<RootWindow> window;
    std::unique_ptr<QSocketNotifier> quitNotifier;
    QTimer timer;     // the next main-queue timer
    QTimer animation; // frames while animations run
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
};

DesktopHost::DesktopHost(DesktopOptions options)
    : options_(std::move(options)), clock_(std::make_shared<SteadyClock>()), impl_(std::make_unique<Impl>()) {
    dispatch::setMainThread();
    dispatch::setClock(clock_.get());
    ui::Application::shared().setClock(clock_);
    ui::Application::shared().setHost(this);
    gfx::setResourcesFolder(ui::Environment::shared().resourcesFolder);
    updateLargestScreenScale();
    QObject::connect(qGuiApp, &QGuiApplication::screenAdded, [] { updateLargestScreenScale(); });
    QObject::connect(qGuiApp, &QGuiApplication::screenRemoved, [] { updateLargestScreenScale(); });
    gfx::Size size = options_.phone ? gfx::Size{375, 667} : options_.size;
    window_ = std::make_shared<ui::Window>(gfx::Rect{0, 0, size.width, size.height});
    window_->setBackgroundColor(gfx::Color::white());
    window_->setTraitCollection(ui::TraitCollection::forScreen(
        options_.phone ? ui::UserInterfaceIdiom::Phone : ui::UserInterfaceIdiom::Pad, size));
    window_->makeKeyAndVisible();
    impl_->window = std::make_unique<RootWindow>(*this);
    impl_->window->setTitle(QString::fromStdString(options_.title));
    impl_->window->resize(int(size.width), int(size.height));
    impl_->timer.setSingleShot(true);
    QObject::connect(&impl_->timer, &QTimer::timeout, [this] { drain(); });
    impl_->animation.setInterval(16);
    QObject::connect(&impl_->animation, &QTimer::timeout, [this] { drain(); });
    // From any thread: a queued call into the event loop drains the main queue.
    auto* app = QCoreApplication::instance();
    dispatch::setMainQueueWakeup([this, app, alive = std::weak_ptr<bool>(impl_->alive)] {
        QMetaObject::invokeMethod(
            app,
            [this, alive] {
                if (!alive.expired())
                    drain();
            },
            Qt::QueuedConnection);
    });
}

DesktopHost::~DesktopHost() {
    dispatch::setMainQueueWakeup({});
    impl_->alive.reset();
    dispatch::drainMainQueue();
    impl_->window.reset();
    window_.reset();
    dispatch::setClock(nullptr);
    ui::Application::shared().setClock(nullptr);
    ui::Application::shared().setHost(nullptr);
}

void* DesktopHost::nativeWindow() const {
    return static_cast<QWindow*>(impl_->window.get());
}

void DesktopHost::show() {
    impl_->window->show();
}

int DesktopHost::exec() {
    return QGuiApplication::exec();
}

void DesktopHost::quit() {
    QCoreApplication::quit();
}

void DesktopHost::quitWhenReadable(int fd) {
    impl_->quitNotifier = std::make_unique<QSocketNotifier>(fd, QSocketNotifier::Read);
    QObject::connect(impl_->quitNotifier.get(), &QSocketNotifier::activated, [this] {
        impl_->quitNotifier->setEnabled(false);
        quit();
    });
}

double DesktopHost::now() const {
    return clock_->now();
}

void DesktopHost::drain() {
    bool running = false;
    for (int pass = 0; pass < 1000; ++pass) {
        running = window_->layer().tickAnimations();
        window_->layoutIfNeeded();
        if (dispatch::drainMainQueue() == 0)
            break;
    }
    if (running && !impl_->animation.isActive())
        impl_->animation.start();
    if (!running)
        impl_->animation.stop();
    double deadline = dispatch::nextMainTimerDeadline();
    if (std::isfinite(deadline))
        impl_->timer.start(std::max(0, int(std::ceil((deadline - now()) * 1000))));
    impl_->window->requestUpdate();
    impl_->window->update();
}

void DesktopHost::advance(double seconds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < qint64(seconds * 1000)) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        drain();
    }
}

bool DesktopHost::runUntil(const std::function<bool()>& predicate, double timeoutSeconds) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        drain();
        if (predicate())
            return true;
        if (t.elapsed() >= qint64(timeoutSeconds * 1000))
            return predicate();
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 10);
    }
}

bool DesktopHost::waitUntilIdle(double maxSeconds) {
    QElapsedTimer t;
    t.start();
    for (;;) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        drain();
        if (std::isinf(nextFiniteAnimationEnd(window_->layer())) && !impl_->timer.isActive())
            return true;
        if (t.elapsed() >= qint64(maxSeconds * 1000))
            return false;
    }
}

} // namespace host
