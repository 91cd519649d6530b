// The picture collection: every picture the widgets load exists at its intended size, has a
// twin at twice the size for high-density screens, stays readable on the background it is drawn
// on, and the window icon is a well-formed multi-size icon file.

#include <QtEndian>
#include <QtGui/QColor>
#include <QtGui/QGuiApplication>
#include <QtGui/QIcon>
#include <QtGui/QImage>
#include <QtGui/QImageReader>
#include <QtGui/QPixmap>
#include <QtTest/QtTest>

#include <cmath>

static void InitPictures()
{
    Q_INIT_RESOURCE(drui);
}

namespace {

struct Picture
{
    const char* name;
    QSize size;
    QColor background; // what the picture is drawn on in the program
};

const QColor kSlate(112, 128, 144);
const QColor kTitleBar(0, 0, 0);
const QColor kToolbarButton(237, 248, 237);
const QColor kRow(64, 67, 80);
const QColor kMenu(240, 240, 240);
const QColor kDialog(40, 41, 49);

const Picture kPictures[] = {
    {"close", {16, 16}, kSlate},
    {"min", {16, 16}, kSlate},
    {"list", {16, 16}, kTitleBar},
    {"logo", {20, 20}, kTitleBar},
    {"add", {20, 20}, kToolbarButton},
    {"remove", {20, 20}, kToolbarButton},
    {"download", {20, 20}, kToolbarButton},
    {"finished", {20, 20}, kToolbarButton},
    {"play", {24, 24}, kSlate},
    {"pause", {24, 24}, kSlate},
    {"folder", {24, 24}, kSlate},
    {"del", {24, 24}, kSlate},
    {"help", {16, 16}, kMenu},
    {"support", {16, 16}, kMenu},
    {"language", {16, 16}, kMenu},
    {"dot", {10, 10}, kMenu},
    {"question", {48, 48}, kDialog},
    {"information", {48, 48}, kDialog},
    {"default-video", {160, 120}, kRow},
};

QString PathOf(const char* name, const char* suffix = "")
{
    return QStringLiteral(":/image/%1%2.png").arg(QLatin1String(name), QLatin1String(suffix));
}

// Relative luminance of an sRGB colour, 0 (black) to 1 (white).
double Luminance(const QColor& c)
{
    auto channel = [](double v) {
        return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4);
    };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double Contrast(const QColor& a, const QColor& b)
{
    const double la = Luminance(a), lb = Luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

// The colour the eye sees for the drawn part of a picture: its pixels averaged by opacity.
QColor InkColour(const QImage& image)
{
    const QImage rgba = image.convertToFormat(QImage::Format_RGBA8888);
    double r = 0, g = 0, b = 0, weight = 0;
    for (int y = 0; y < rgba.height(); ++y) {
        for (int x = 0; x < rgba.width(); ++x) {
            const QColor c = rgba.pixelColor(x, y);
            r += c.redF() * c.alphaF();
            g += c.greenF() * c.alphaF();
            b += c.blueF() * c.alphaF();
            weight += c.alphaF();
        }
    }
    if (weight == 0)
        return {};
    return QColor::fromRgbF(float(r / weight), float(g / weight), float(b / weight));
}

// Mean difference, 0 to 1, between two pictures of the same size, over all four channels of
// their premultiplied pixels: shape and colour both count.
double PictureDistance(const QImage& a, const QImage& b)
{
    const QImage pa = a.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    const QImage pb = b.convertToFormat(QImage::Format_RGBA8888_Premultiplied);
    double sum = 0;
    for (int y = 0; y < pa.height(); ++y) {
        const uchar* la = pa.constScanLine(y);
        const uchar* lb = pb.constScanLine(y);
        for (int i = 0; i < pa.width() * 4; ++i)
            sum += std::abs(int(la[i]) - int(lb[i]));
    }
    return sum / (255.0 * 4 * pa.width() * pa.height());
}

} // namespace

class TestResources : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { InitPictures(); }

    void collectionHoldsExactlyTheSet();
    void pictureLoadsAtItsSize_data();
    void pictureLoadsAtItsSize();
    void doubleSizeTwin_data();
    void doubleSizeTwin();
    void readableOnItsBackground_data();
    void readableOnItsBackground();
    void iconFileIsWellFormed();
    void iconFileLoadsAsIcon_data();
    void iconFileLoadsAsIcon();

private:
    void AddPictureRows();
};

void TestResources::AddPictureRows()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QColor>("background");
    for (const Picture& p : kPictures)
        QTest::newRow(p.name) << QString::fromLatin1(p.name) << p.size << p.background;
}

void TestResources::collectionHoldsExactlyTheSet()
{
    QStringList expected{QStringLiteral("logo.ico")};
    for (const Picture& p : kPictures) {
        expected << QStringLiteral("%1.png").arg(QLatin1String(p.name))
                 << QStringLiteral("%1@2x.png").arg(QLatin1String(p.name));
    }
    expected.sort();
    QStringList present = QDir(QStringLiteral(":/image")).entryList(QDir::Files);
    present.sort();
    QCOMPARE(present, expected);
}

void TestResources::pictureLoadsAtItsSize_data()
{
    AddPictureRows();
}

void TestResources::pictureLoadsAtItsSize()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QPixmap pixmap(PathOf(qPrintable(name)));
    QVERIFY(!pixmap.isNull());
    QCOMPARE(pixmap.size(), size);
    QVERIFY(pixmap.hasAlphaChannel());

    // Drawn on a button or label of its own colour: the corners let that colour through, and the
    // picture has solid ink somewhere rather than only faint edges.
    const QImage image = pixmap.toImage().convertToFormat(QImage::Format_RGBA8888);
    QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    QCOMPARE(image.pixelColor(size.width() - 1, size.height() - 1).alpha(), 0);
    int maxAlpha = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            maxAlpha = std::max(maxAlpha, image.pixelColor(x, y).alpha());
    QCOMPARE(maxAlpha, 255);
}

void TestResources::doubleSizeTwin_data()
{
    AddPictureRows();
}

void TestResources::doubleSizeTwin()
{
    QFETCH(QString, name);
    QFETCH(QSize, size);

    const QString twinPath = PathOf(qPrintable(name), "@2x");
    QVERIFY2(QFile::exists(twinPath), qPrintable(twinPath));
    const QImage twin(twinPath);
    QCOMPARE(twin.size(), size * 2);

    // The twin shows the same picture: scaled down, its shape matches the normal one.
    const QImage normal(PathOf(qPrintable(name)));
    const QImage reduced = twin.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    // Own twins differ by well under 1%; the two closest different pictures (add and remove)
    // by about 2%.
    const double distance = PictureDistance(normal, reduced);
    QVERIFY2(distance < 0.012, qPrintable(QString::number(distance)));

    // An icon made from the normal name picks the twin on a screen of double density.
    const QPixmap sharp = QIcon(PathOf(qPrintable(name))).pixmap(size, 2.0);
    QCOMPARE(sharp.size(), size * 2);
    QCOMPARE(sharp.devicePixelRatio(), 2.0);
}

void TestResources::readableOnItsBackground_data()
{
    AddPictureRows();
}

void TestResources::readableOnItsBackground()
{
    QFETCH(QString, name);
    QFETCH(QColor, background);
    if (name == QLatin1String("default-video"))
        QSKIP("the placeholder fills its label; it carries no glyph of its own");

    const QColor ink = InkColour(QImage(PathOf(qPrintable(name))));
    QVERIFY(ink.isValid());
    // 3:1 is the usual least contrast for graphics that carry meaning.
    const double contrast = Contrast(ink, background);
    QVERIFY2(contrast >= 3.0, qPrintable(QStringLiteral("ink %1 on %2: %3")
                                             .arg(ink.name(), background.name())
                                             .arg(contrast, 0, 'f', 2)));
}

void TestResources::iconFileIsWellFormed()
{
    QFile file(QStringLiteral(":/image/logo.ico"));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray data = file.readAll();
    QVERIFY(data.size() > 6);
    const auto u8 = [&](qsizetype at) { return quint8(data.at(at)); };
    const auto u16 = [&](qsizetype at) {
        return qFromLittleEndian<quint16>(data.constData() + at);
    };
    const auto u32 = [&](qsizetype at) {
        return qFromLittleEndian<quint32>(data.constData() + at);
    };

    QCOMPARE(u16(0), quint16(0)); // reserved
    QCOMPARE(u16(2), quint16(1)); // icon, not cursor
    const int count = u16(4);
    QCOMPARE(count, 4);
    QVERIFY(data.size() >= 6 + 16 * count);

    QList<int> sizes;
    for (int i = 0; i < count; ++i) {
        const qsizetype entry = 6 + 16 * i;
        const int width = u8(entry) == 0 ? 256 : u8(entry);
        const int height = u8(entry + 1) == 0 ? 256 : u8(entry + 1);
        QCOMPARE(width, height);
        QCOMPARE(u16(entry + 4), quint16(1));  // planes
        QCOMPARE(u16(entry + 6), quint16(32)); // bits per pixel
        const quint32 length = u32(entry + 8);
        const quint32 offset = u32(entry + 12);
        QVERIFY(offset >= quint32(6 + 16 * count));
        QVERIFY(quint64(offset) + length <= quint64(data.size()));

        const QImage image = QImage::fromData(data.mid(offset, length), "PNG");
        QVERIFY2(!image.isNull(), qPrintable(QStringLiteral("entry %1 is no PNG").arg(i)));
        QCOMPARE(image.size(), QSize(width, height));
        sizes << width;
    }
    std::sort(sizes.begin(), sizes.end());
    QCOMPARE(sizes, QList<int>({16, 32, 48, 256}));
}

void TestResources::iconFileLoadsAsIcon_data()
{
    QTest::addColumn<int>("extent");
    for (int extent : {16, 32, 48, 256})
        QTest::newRow(qPrintable(QString::number(extent))) << extent;
}

void TestResources::iconFileLoadsAsIcon()
{
    QFETCH(int, extent);
    if (!QImageReader::supportedImageFormats().contains("ico"))
        QSKIP("this Qt has no reader for icon files");

    const QIcon icon(QStringLiteral(":/image/logo.ico"));
    QVERIFY(!icon.isNull());
    QVERIFY2(icon.availableSizes().contains(QSize(extent, extent)),
             qPrintable(QStringLiteral("%1 sizes offered").arg(icon.availableSizes().size())));
    QCOMPARE(icon.pixmap(QSize(extent, extent), 1.0).size(), QSize(extent, extent));
}

int main(int argc, char** argv)
{
    // Run as on a screen of double density: that is where Qt reaches for the @2x twins, and where
    // a picture loaded by its normal name must still report its normal size.
    qputenv("QT_SCALE_FACTOR", "2");
    QGuiApplication app(argc, argv);
    TestResources test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_resources.moc"
