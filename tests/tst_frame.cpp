#include "basewidget.h"
#include "sandbox.h"

#include <QLabel>
#include <QPaintEngine>
#include <QPainterPath>
#include <QPushButton>
#include <QtTest>

namespace {

// A paint device that records the outlines drawn on it and the pen each was drawn with.
class RecordingDevice : public QPaintDevice
{
public:
    struct Outline
    {
        QRectF bounds;
        QPen pen;
        bool antialiased;
    };

    class Engine : public QPaintEngine
    {
    public:
        explicit Engine(RecordingDevice *device)
            : QPaintEngine(QPaintEngine::AllFeatures)
            , m_device(device)
        {
        }
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &state) override
        {
            if (state.state() & DirtyPen)
                m_pen = state.pen();
            if (state.state() & DirtyHints)
                m_antialiased = state.renderHints() & QPainter::Antialiasing;
        }
        void drawPath(const QPainterPath &path) override
        {
            m_device->outlines.append({path.boundingRect(), m_pen, m_antialiased});
        }
        void drawRects(const QRectF *rects, int count) override
        {
            for (int i = 0; i < count; ++i)
                m_device->outlines.append({rects[i], m_pen, m_antialiased});
        }
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        Type type() const override { return User; }

    private:
        RecordingDevice *m_device;
        QPen m_pen;
        bool m_antialiased = false;
    };

    explicit RecordingDevice(const QSize &size)
        : m_size(size)
        , m_engine(this)
    {
    }
    QPaintEngine *paintEngine() const override { return const_cast<Engine *>(&m_engine); }

    QList<Outline> outlines;

protected:
    int metric(PaintDeviceMetric metric) const override
    {
        switch (metric) {
        case PdmWidth: return m_size.width();
        case PdmHeight: return m_size.height();
        case PdmDpiX: case PdmDpiY: case PdmPhysicalDpiX: case PdmPhysicalDpiY: return 96;
        case PdmDepth: return 32;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return int(devicePixelRatioFScale());
        default: return 0;
        }
    }

private:
    QSize m_size;
    Engine m_engine;
};

// A window of the suite with a label and a button, as every form has them.
struct FramedWindow
{
    FramedWindow()
    {
        sandbox.writeBranding({{"name", "n"}});
        window = std::make_unique<BaseWidget>();
        window->resize(396, 206);
        label = new QLabel(QStringLiteral("提示"), window.get());
        label->setGeometry(150, 10, 80, 20);
        button = new QPushButton(QStringLiteral("OK"), window.get());
        button->setGeometry(300, 150, 70, 26);
        window->move(200, 100);
        window->show();
    }

    Sandbox sandbox;
    std::unique_ptr<BaseWidget> window;
    QLabel *label = nullptr;
    QPushButton *button = nullptr;
};

void sendMouse(QWidget *target, QEvent::Type type, const QPoint &local, Qt::MouseButton button, Qt::MouseButtons held)
{
    const QPoint global = target->mapToGlobal(local);
    QMouseEvent event(type, local, global, button, held, Qt::NoModifier);
    QApplication::sendEvent(target, &event);
}

} // namespace

class TestFrame : public QObject
{
    Q_OBJECT
private slots:
    void windowSetup();
    void drag_data();
    void drag();
    void releaseEndsDrag();
    void outlines();
};

void TestFrame::windowSetup()
{
    FramedWindow framed;
    QCOMPARE(int(framed.window->windowFlags() & ~Qt::WindowType_Mask), 0xC800);
    QVERIFY(framed.window->testAttribute(Qt::WA_TranslucentBackground));
}

void TestFrame::drag_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("button");
    QTest::addColumn<QPoint>("pressAt");
    QTest::addColumn<QPoint>("expectedMove");

    QTest::newRow("left press on a label") << "label" << int(Qt::LeftButton) << QPoint(5, 5) << QPoint(10, 5);
    QTest::newRow("left press on the body") << "window" << int(Qt::LeftButton) << QPoint(60, 120) << QPoint(10, 5);
    QTest::newRow("right press on a label") << "label" << int(Qt::RightButton) << QPoint(5, 5) << QPoint(0, 0);
    QTest::newRow("left press on a button") << "button" << int(Qt::LeftButton) << QPoint(5, 5) << QPoint(0, 0);
    // x offset 0 reads as "no drag".
    QTest::newRow("leftmost column") << "window" << int(Qt::LeftButton) << QPoint(0, 120) << QPoint(0, 0);
}

void TestFrame::drag()
{
    QFETCH(QString, target);
    QFETCH(int, button);
    QFETCH(QPoint, pressAt);
    QFETCH(QPoint, expectedMove);

    FramedWindow framed;
    QWidget *widget = target == QLatin1String("label")  ? static_cast<QWidget *>(framed.label)
                    : target == QLatin1String("button") ? static_cast<QWidget *>(framed.button)
                                                        : framed.window.get();
    const Qt::MouseButton pressed = Qt::MouseButton(button);
    const QPoint start = framed.window->pos();

    sendMouse(widget, QEvent::MouseButtonPress, pressAt, pressed, pressed);
    // Moves arrive at whatever widget the pointer is on; the window takes them from its children.
    sendMouse(widget, QEvent::MouseMove, pressAt + QPoint(10, 5), Qt::NoButton, pressed);
    QCOMPARE(framed.window->pos() - start, expectedMove);
    sendMouse(widget, QEvent::MouseButtonRelease, pressAt + QPoint(10, 5), pressed, Qt::NoButton);
}

void TestFrame::releaseEndsDrag()
{
    FramedWindow framed;
    const QPoint start = framed.window->pos();
    sendMouse(framed.label, QEvent::MouseButtonPress, QPoint(5, 5), Qt::LeftButton, Qt::LeftButton);
    sendMouse(framed.label, QEvent::MouseMove, QPoint(15, 10), Qt::NoButton, Qt::LeftButton);
    sendMouse(framed.label, QEvent::MouseButtonRelease, QPoint(15, 10), Qt::LeftButton, Qt::NoButton);
    QCOMPARE(framed.window->pos() - start, QPoint(10, 5));
    QCOMPARE(framed.window->dragOffset, QPoint(0, 0));

    const QPoint afterRelease = framed.window->pos();
    sendMouse(framed.window.get(), QEvent::MouseMove, QPoint(90, 90), Qt::NoButton, Qt::LeftButton);
    QCOMPARE(framed.window->pos(), afterRelease);
}

void TestFrame::outlines()
{
    Sandbox sandbox;
    sandbox.writeBranding({{"name", "n"}});
    BaseWidget window;
    window.resize(396, 206);

    RecordingDevice device(window.size());
    window.render(&device, QPoint(), QRegion(), QWidget::RenderFlags());

    QCOMPARE(device.outlines.size(), 3);
    const QList<QRectF> rects = {QRectF(3, 3, 390, 200), QRectF(2, 2, 392, 202), QRectF(1, 1, 394, 204)};
    const QList<int> alphas = {150, 80, 51};
    for (int i = 0; i < 3; ++i) {
        const RecordingDevice::Outline &outline = device.outlines.at(i);
        QCOMPARE(outline.bounds, rects.at(i));
        QCOMPARE(outline.pen.color(), QColor(40, 40, 40, alphas.at(i)));
        QCOMPARE(outline.pen.widthF(), 1.0);
        QCOMPARE(outline.pen.style(), Qt::SolidLine);
        QVERIFY(outline.antialiased);
    }
}

QTEST_MAIN(TestFrame)
#include "tst_frame.moc"
