// One composition, pixel for pixel: a stack of every kind of layer, composed from the layers'
// caches in one pass, against the same stack painted layer by layer with QPainter from the
// layers' own state, as the engine painted frames before; after every kind of edit (a text
// edited, a picture re-picked, opacities, the camera resized and given new frames, layers
// moved and hidden, the output size changed), so a cache that is not remade shows.

#include "CompositingTestSupport.h"

#include "CMCameraLayer.h"
#include "CMGamepicLayer.h"
#include "CMPicLayer.h"
#include "CMTextLayer.h"
#include "FrameComposer.h"
#include "FrameContext.h"
#include "ImageScaler.h"
#include "PixelRows.h"
#include "PreviewLogic.h"
#include "PushedFrame.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>
#include <optional>

namespace {

QImage noise(const QSize &size, quint32 seed, quint32 orMask)
{
    QImage image(size, QImage::Format_ARGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        random.fillRange(line, size.width());
        for (int x = 0; x < size.width(); ++x)
            line[x] |= orMask;
    }
    return image;
}

// A picture with clear, half-clear and opaque parts.
QImage picture(const QSize &size, quint32 seed)
{
    QImage image = noise(size, seed, 0);
    for (int y = 0; y < size.height(); ++y) {
        auto *line = reinterpret_cast<quint32 *>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            if (x < size.width() / 4)
                line[x] &= 0x00FFFFFFu;
            else if (x > size.width() / 2)
                line[x] |= 0xFF000000u;
        }
    }
    return image;
}

// image handed over as a host pushes a frame.
PushedFrame pushed(const QImage &image)
{
    return *PushedFrame::check(reinterpret_cast<const char *>(image.constBits()),
                               uint(image.sizeInBytes()), image.width(), image.height(), 0);
}

struct Difference
{
    int pixels = 0;
    int worst = 0;
    QPoint first{-1, -1};
};

Difference compare(const QImage &got, const QImage &expected)
{
    Difference d;
    for (int y = 0; y < got.height(); ++y) {
        // Raw words: pixel() would report every RGB32 pixel opaque.
        const auto *gotLine = reinterpret_cast<const quint32 *>(got.constScanLine(y));
        const auto *expectedLine = reinterpret_cast<const quint32 *>(expected.constScanLine(y));
        for (int x = 0; x < got.width(); ++x) {
            const QRgb p = gotLine[x];
            const QRgb q = expectedLine[x];
            const int step = qMax(qMax(qAbs(qRed(p) - qRed(q)), qAbs(qGreen(p) - qGreen(q))),
                                  qAbs(qBlue(p) - qBlue(q)));
            if (step == 0 && qAlpha(p) == 255)
                continue;
            if (d.pixels++ == 0)
                d.first = QPoint(x, y);
            d.worst = qMax(d.worst, qAlpha(p) == 255 ? step : 256);
        }
    }
    return d;
}

} // namespace

class TestFrameComposer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void cachedFramesMatchQtPainting();
    void deletedAndEmptyEntries();

private:
    // The stack as the engine painted it before: black, then each layer with QPainter.
    QImage _reference(const QList<QPointer<CMLayer>> &layers, const QSize &size,
                      const QImage &game) const;
    QImage _compose(const QList<QPointer<CMLayer>> &layers, const FrameContext &context,
                    FrameComposer::Store store);

    PreviewEngine *m_engine = nullptr;
    FrameComposer m_composer;
};

void TestFrameComposer::initTestCase()
{
    m_engine = PreviewEngine::createInstance();
}

void TestFrameComposer::cleanupTestCase()
{
    m_engine->release();
}

QImage TestFrameComposer::_compose(const QList<QPointer<CMLayer>> &layers,
                                   const FrameContext &context, FrameComposer::Store store)
{
    QImage frame(context.size, QImage::Format_RGB32);
    frame.fill(0x12345678u); // whatever the slot held before
    m_composer.setStore(store);
    bool anyDeleted = true;
    m_composer.compose(layers, context, &frame, &anyDeleted);
    return anyDeleted ? QImage() : frame;
}

QImage TestFrameComposer::_reference(const QList<QPointer<CMLayer>> &layers, const QSize &size,
                                     const QImage &game) const
{
    // Per-frame scaling was ours before too: the reference scales with the plain C++ kernels.
    PixelRows::use(&PixelRows::reference());
    const auto restore = qScopeGuard([] { PixelRows::use(nullptr); });
    QImage frame(size, QImage::Format_RGB32);
    frame.fill(Qt::black);
    QPainter painter(&frame);
    const auto withOpacity = [&painter](int alpha, const std::function<void()> &paint) {
        painter.save();
        if (alpha < 100)
            painter.setOpacity(alpha / 100.0);
        paint();
        painter.restore();
    };
    for (const QPointer<CMLayer> &entry : layers) {
        CMLayer *layer = entry.data();
        if (!layer || layer->isDeleted() || !layer->isCombine())
            continue;
        const QRect rect = layer->outputPixelRect();
        if (auto *gameLayer = qobject_cast<CMGamepicLayer *>(layer)) {
            QImage scaled(rect.size(), QImage::Format_RGB32);
            ImageScaler::scaleInto(game, &scaled, ImageScaler::Filter::Smooth,
                                   ImageScaler::Alpha::Opaque);
            withOpacity(gameLayer->alpha(), [&] { painter.drawImage(rect.topLeft(), scaled); });
        } else if (auto *camera = qobject_cast<CMCameraLayer *>(layer)) {
            QImage image = camera->image();
            if (camera->isCameraRequested()) {
                QImage scaled(rect.size(), QImage::Format_ARGB32);
                ImageScaler::scaleInto(image, &scaled, ImageScaler::Filter::Smooth);
                image = scaled;
            }
            withOpacity(camera->alpha(), [&] {
                painter.drawImage(rect.topLeft(),
                                  image.convertToFormat(QImage::Format_ARGB32_Premultiplied));
            });
        } else if (auto *pic = qobject_cast<CMPicLayer *>(layer)) {
            const QImage scaled =
                pic->image()
                    .scaled(rect.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .convertToFormat(QImage::Format_ARGB32_Premultiplied);
            withOpacity(pic->alpha(), [&] { painter.drawImage(rect.topLeft(), scaled); });
        } else if (auto *text = qobject_cast<CMTextLayer *>(layer)) {
            const FontInfoConfig info = text->fontInfo();
            painter.save();
            painter.setPen(info.color());
            painter.setFont(info.font());
            // Each line centred across the rectangle, or on the widest line without a width.
            const QStringList lines = text->lines();
            const QFontMetricsF metrics(info.font());
            qreal across = rect.width();
            for (const QString &line : lines)
                across = rect.width() > 0 ? across : qMax(across, metrics.horizontalAdvance(line));
            for (int i = 0; i < lines.size(); ++i) {
                const int start = int((across - metrics.horizontalAdvance(lines.at(i))) / 2);
                painter.drawText(
                    QPoint(rect.left() + start, rect.top() + text->lineHeight() * (i + 1)),
                    lines.at(i));
            }
            painter.restore();
        }
    }
    return frame;
}

void TestFrameComposer::cachedFramesMatchQtPainting()
{
    QTemporaryDir dir;
    const auto save = [&dir](const QString &name, const QImage &image) {
        const QString path = dir.filePath(name);
        image.save(path);
        return path;
    };
    QSize output(1280, 720);
    const QSizeF scene(746, 420);
    QImage gameImage = noise(QSize(800, 450), 1, 0); // fourth bytes of all kinds

    // From the bottom: a picture the game partly covers, the game, the camera, a picture at an
    // opacity, two texts.
    CMPicLayer below;
    below.onGeometryChanged(QRectF(-20, 30, 200, 150));
    below.onPicChanged(save(QStringLiteral("below.png"), picture(QSize(90, 60), 2)));
    CMGamepicLayer game(nullptr);
    game.onGeometryChanged(QRectF(100, 10.5, 500.3, 300));
    CMCameraLayer camera(nullptr);
    camera.onGeometryChanged(QRectF(420, 200, 160.4, 120.7));
    const QImage cameraFrame = noise(QSize(64, 48), 3, 0xFF000000u);
    camera.onCameraData(pushed(cameraFrame));
    CMPicLayer above;
    above.onGeometryChanged(QRectF(300, 50, 120, 90));
    above.onAlphaChanged(80);
    above.onPicChanged(save(QStringLiteral("above.png"), picture(QSize(300, 200), 4)));
    CMTextLayer text;
    QFont font;
    font.setPointSize(20);
    font.setBold(true);
    FontInfoConfig info;
    info.setFont(font);
    info.setColor(QColor(255, 220, 0));
    text.onInfoChanged(info, QStringLiteral("Live text\u2029second line"));
    text.onGeometryChanged(QRectF(30, 250, 180, 40));
    CMTextLayer edge; // partly outside the frame
    edge.onInfoChanged(info, QStringLiteral("at the edge"));
    edge.onGeometryChanged(QRectF(700, 390, 0, 0));
    const QList<QPointer<CMLayer>> layers{&below, &game, &camera, &above, &text, &edge};

    const auto check = [&](const char *step) {
        const PushedFrame gameFrame = pushed(gameImage);
        FrameContext context;
        context.size = output;
        context.scaleX = output.width() / scene.width();
        context.scaleY = output.height() / scene.height();
        context.game = &gameFrame;
        context.kernels = &PixelRows::best();
        const QImage cached = _compose(layers, context, FrameComposer::Store::Cached);
        const QImage expected = _reference(layers, output, gameImage);
        // Qt rounds an opaque picture at an opacity its own way: the game alone may differ by one.
        const Difference d = compare(cached, expected);
        const int allowed = game.alpha() < 100 ? 1 : 0;
        QVERIFY2(d.worst <= allowed,
                 qPrintable(QStringLiteral("%1: %2 pixels differ, by up to %3, first at %4,%5")
                                .arg(QLatin1String(step))
                                .arg(d.pixels)
                                .arg(d.worst)
                                .arg(d.first.x())
                                .arg(d.first.y())));
        // Streamed past the caches, the frame is the same.
        QCOMPARE(_compose(layers, context, FrameComposer::Store::Streaming), cached);
    };

    check("first frame");
    check("second frame, all from the caches");
    text.onInfoChanged(info, QStringLiteral("edited"));
    check("text edited");
    info.setColor(QColor(20, 200, 255));
    font.setItalic(true);
    font.setUnderline(true);
    info.setFont(font);
    text.onInfoChanged(info, QStringLiteral("new font\u2029\u2029third"));
    check("font and colour changed");
    text.onGeometryChanged(QRectF(30, 250, 120, 40));
    check("text narrowed");
    above.onPicChanged(save(QStringLiteral("tall.png"), picture(QSize(50, 140), 5)));
    check("picture re-picked");
    above.onAlphaChanged(35);
    check("picture opacity");
    above.onGeometryChanged(QRectF(320, 60, 120, 90));
    check("picture moved");
    above.onGeometryChanged(QRectF(320, 60, 200, 61));
    check("picture resized");
    CameraParam param;
    param.deviceName = QStringLiteral("cam");
    param.width = 64;
    param.height = 48;
    camera.setCameraParam(param); // requested: scaled to its rectangle from now on
    check("camera requested");
    camera.onResized(QRectF(400, 150, 300.2, 200.9));
    check("camera resized");
    const QImage nextCameraFrame = noise(QSize(64, 48), 6, 0);
    camera.onCameraData(pushed(nextCameraFrame));
    camera.onAlphaChanged(40);
    check("new camera frame, with its own alpha, at an opacity");
    // An opaque camera hides the game and the picture below: they are painted around it.
    camera.onCameraData(pushed(cameraFrame));
    camera.onAlphaChanged(100);
    camera.onResized(QRectF(150, 100, 200.6, 150.3));
    check("opaque camera over the game and a picture");
    game.onGeometryChanged(QRectF(200, 50, 300, 160.2));
    check("game narrowed, under the camera's edge");
    gameImage = noise(QSize(game.outputPixelRect().width(), 333), 7, 0);
    check("game of its rectangle's width");
    camera.onResized(QRectF(-10, 300, 200, 150));
    check("opaque camera beyond two edges");
    gameImage = noise(QSize(800, 450), 1, 0);
    game.onGeometryChanged(QRectF(100, 10.5, 500.3, 300));
    game.onAlphaChanged(50);
    check("game at an opacity, under the opaque camera");
    game.onAlphaChanged(100);
    game.setCombine(false);
    below.setCombine(false);
    check("game and a picture hidden");
    game.setCombine(true);
    below.setCombine(true);
    output = QSize(1920, 1080);
    check("output size changed");
    game.onGeometryChanged(QRectF(-30, -10, 800, 450));
    check("game beyond every edge");
}

void TestFrameComposer::deletedAndEmptyEntries()
{
    CMPicLayer deleted;
    deleted.markDeleted();
    CMPicLayer empty; // no picture
    empty.onGeometryChanged(QRectF(0, 0, 10, 10));
    CMGamepicLayer game(nullptr); // no game frame in this composition
    game.onGeometryChanged(QRectF(0, 0, 100, 100));
    const QList<QPointer<CMLayer>> layers{QPointer<CMLayer>(), &deleted, &empty, &game};
    FrameContext context;
    context.size = QSize(64, 40);
    context.kernels = &PixelRows::best();
    QImage frame(context.size, QImage::Format_RGB32);
    frame.fill(Qt::white);
    bool anyDeleted = false;
    m_composer.compose(layers, context, &frame, &anyDeleted);
    QVERIFY(anyDeleted);
    QImage black(context.size, QImage::Format_RGB32);
    black.fill(Qt::black);
    QCOMPARE(frame, black);
    // The game layer's rectangle follows the scale even without a frame to paint.
    QCOMPARE(game.outputPixelRect(), QRect(0, 0, 100, 100));
}

QTEST_MAIN(TestFrameComposer)
#include "tst_framecomposer.moc"
