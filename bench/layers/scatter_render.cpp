// A scatter of 100,000 plus symbols and 200 text layers rendered through the layer tree and the
// drawing context into a 2048 x 1536 image, against bare QPainter drawing the same primitives
// (target: at most 1.5x). Prints the median of repeated runs and the ratio.
#include "bench/BenchTiming.h"
#include "platform/graphics/Output.h"
#include "platform/layers/Layer.h"

#include <QFont>
#include <QFontDatabase>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace {

using benchtiming::medianSeconds;
using benchtiming::seconds;

constexpr int kWidth = 2048, kHeight = 1536;
constexpr int kPoints = 100000;
constexpr int kLabels = 200;
constexpr double kArm = 3;
constexpr int kRuns = 7;

struct Scene {
    std::vector<gfx::Point> points;
    std::vector<gfx::Rect> labelRects;
    std::vector<std::string> labels;
};

Scene makeScene() {
    Scene s;
    std::mt19937_64 rng(11);
    std::normal_distribution<double> x(kWidth / 2.0, kWidth / 6.0), y(kHeight / 2.0, kHeight / 6.0);
    for (int i = 0; i < kPoints; ++i)
        s.points.push_back(
            {std::clamp(x(rng), 0.0, double(kWidth)), std::clamp(y(rng), 0.0, double(kHeight))});
    for (int i = 0; i < kLabels; ++i) {
        s.labelRects.push_back(gfx::Rect(20 + (i % 20) * 100, 20 + (i / 20) * 150, 90, 14));
        s.labels.push_back("Label " + std::to_string(i));
    }
    return s;
}

layers::Layer::Ptr makeTree(const Scene& scene) {
    auto root = layers::Layer::make();
    root->setAnchorPoint({0, 0});
    root->setBounds(gfx::Rect(0, 0, kWidth, kHeight));
    root->setBackgroundColor(gfx::Color::white());
    auto plot = layers::Layer::make();
    plot->setAnchorPoint({0, 0});
    plot->setFrame(gfx::Rect(0, 0, kWidth, kHeight));
    plot->drawHook = [&scene](layers::Layer&, gfx::Context& ctx) {
        ctx.setStrokeColor({0.1, 0.2, 0.7, 1});
        ctx.setLineWidth(1);
        for (const gfx::Point& p : scene.points) {
            ctx.moveToPoint(p.x - kArm, p.y);
            ctx.addLineToPoint(p.x + kArm, p.y);
            ctx.moveToPoint(p.x, p.y - kArm);
            ctx.addLineToPoint(p.x, p.y + kArm);
            ctx.strokePath();
        }
    };
    root->addSublayer(plot);
    gfx::TextStyle style;
    style.font = *gfx::Font::named("Helvetica", 10);
    for (int i = 0; i < kLabels; ++i) {
        auto label = layers::Layer::make();
        label->setAnchorPoint({0, 0});
        label->setFrame(scene.labelRects[size_t(i)]);
        label->drawHook = [text = scene.labels[size_t(i)], style](layers::Layer& l, gfx::Context& ctx) {
            ctx.drawText(text, l.bounds(), style);
        };
        root->addSublayer(label);
    }
    return root;
}

void renderBare(const Scene& scene, QImage& image) {
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(QColor::fromRgbF(0.1f, 0.2f, 0.7f));
    pen.setWidthF(1);
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::SvgMiterJoin);
    p.setPen(pen);
    for (const gfx::Point& pt : scene.points) {
        QPainterPath path;
        path.moveTo(pt.x - kArm, pt.y);
        path.lineTo(pt.x + kArm, pt.y);
        path.moveTo(pt.x, pt.y - kArm);
        path.lineTo(pt.x, pt.y + kArm);
        p.drawPath(path);
    }
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPointSizeF(10);
    p.setFont(font);
    p.setPen(Qt::black);
    for (int i = 0; i < kLabels; ++i) {
        const gfx::Rect& r = scene.labelRects[size_t(i)];
        p.drawText(QRectF(r.origin.x, r.origin.y, r.size.width, r.size.height),
                   Qt::AlignLeft | Qt::TextWordWrap, QString::fromStdString(scene.labels[size_t(i)]));
    }
}

} // namespace

int main() {
    Scene scene = makeScene();
    auto tree = makeTree(scene);
    gfx::fontsAvailable(); // loads the font table before timing
    QImage bare(kWidth, kHeight, QImage::Format_ARGB32_Premultiplied);
    bare.setDotsPerMeterX(2835);
    bare.setDotsPerMeterY(2835);
    auto t = medianSeconds(kRuns, {
        [&] { renderBare(scene, bare); },
        [&] {
            gfx::BitmapContext bitmap(kWidth, kHeight);
            tree->renderInContext(bitmap.context());
        },
    });
    std::printf("scatter of %d plus symbols and %d text layers into %d x %d\n", kPoints, kLabels, kWidth,
                kHeight);
    std::printf("  bare QPainter %8.1f ms   layers + context %8.1f ms   ratio %5.2fx (target <= 1.5x)\n",
                t[0] * 1e3, t[1] * 1e3, t[1] / t[0]);
    return 0;
}
