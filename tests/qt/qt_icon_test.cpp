// The program's icon: the Windows icon holds a 32 x 32 and a 16 x 16 image of
// at most 16 colours, the PNG renderings show the same pixels, and the module
// carries them.
#include <QImageReader>
#include <QSet>
#include <QtTest>

#include "platform/qt/qt_icons.h"

namespace {

const QString kData = QStringLiteral(KAVRENO_TEST_DATA_DIR);

// The opaque colours of an image; -1 when some pixel is half transparent.
int OpaqueColours(const QImage& image) {
  QSet<QRgb> colours;
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  for (int y = 0; y < argb.height(); ++y) {
    for (int x = 0; x < argb.width(); ++x) {
      const QRgb p = argb.pixel(x, y);
      if (qAlpha(p) == 0) continue;
      if (qAlpha(p) != 255) return -1;
      colours.insert(p);
    }
  }
  return int(colours.size());
}

QImage Png(int size) {
  return QImage(kData + QStringLiteral("/icons/hicolor/%1x%1/apps/kavreno.png").arg(size))
      .convertToFormat(QImage::Format_ARGB32);
}

}  // namespace

class QtIconTest : public QObject {
  Q_OBJECT

 private slots:
  void windowsIconHasBothSizes() {
    QImageReader reader(kData + "/icons/kavreno.ico");
    QVERIFY2(reader.canRead(), qPrintable(reader.errorString()));
    QCOMPARE(reader.imageCount(), 2);
    QList<int> sizes;
    for (int i = 0; i < reader.imageCount(); ++i) {
      QVERIFY(reader.jumpToImage(i));
      const QImage image = reader.read();
      QCOMPARE(image.width(), image.height());
      sizes << image.width();
      const int colours = OpaqueColours(image);
      QVERIFY2(colours > 4 && colours <= 16, qPrintable(QString::number(colours)));
      // The icon image and its PNG rendering are the same picture.
      QCOMPARE(image.convertToFormat(QImage::Format_ARGB32), Png(image.width()));
    }
    std::sort(sizes.begin(), sizes.end());
    QCOMPARE(sizes, (QList<int>{16, 32}));
  }

  void renderings_data() {
    QTest::addColumn<int>("size");
    QTest::addColumn<int>("drawnAt");  // the drawing it enlarges
    for (int size : {16, 32, 48, 64, 128, 256}) {
      QTest::newRow(qPrintable(QString::number(size))) << size
                                                       << (size == 48   ? 16
                                                           : size == 16 ? 16
                                                                        : 32);
    }
  }
  void renderings() {
    QFETCH(int, size);
    QFETCH(int, drawnAt);
    const QImage png = Png(size);
    QCOMPARE(png.size(), QSize(size, size));
    QVERIFY(OpaqueColours(png) <= 16);
    // Whole-number enlargements: every pixel repeats the drawing's pixel.
    const QImage drawing = Png(drawnAt);
    const int factor = size / drawnAt;
    for (int y = 0; y < size; y += 7) {
      for (int x = 0; x < size; x += 5) {
        QCOMPARE(png.pixel(x, y), drawing.pixel(x / factor, y / factor));
      }
    }
  }

  void builtIntoTheModule() {
    const QIcon icon = kv::qt::ProgramIcon();
    QVERIFY(!icon.isNull());
    const QList<QSize> sizes = icon.availableSizes();
    QVERIFY(sizes.contains(QSize(16, 16)));
    QVERIFY(sizes.contains(kv::qt::kProgramIconSize));
    QCOMPARE(icon.pixmap(32).toImage().convertToFormat(QImage::Format_ARGB32), Png(32));
  }
};

QTEST_MAIN(QtIconTest)
#include "qt_icon_test.moc"
