// The measures behind the first opening of the compare view and the overview: the widest of a
// column's texts found by shaping only some of them must be the widest of them all, and a
// note whose sizes are kept must report the sizes a plain word-wrapped label does.
#include <QApplication>
#include <QFont>
#include <QFontMetrics>
#include <QLabel>
#include <QTest>
#include <algorithm>

#include "record/fields.h"
#include "ui/note_label.h"
#include "ui/text_widths.h"

using namespace tolvane;

namespace {

QStringList fieldNames() {
  QStringList names;
  for (const record::Field& field : record::allFields()) {
    names << QString::fromStdString(field.name);
  }
  return names;
}

// Figures as the overview shows them: all of one length, so that only kerning and the
// digits' own widths set them apart.
QStringList figures() {
  QStringList texts;
  for (int n = 100; n < 1000; n += 37) texts << QStringLiteral("%1 mph").arg(n);
  return texts;
}

QFont fontOf(const QString& family, qreal points, bool bold) {
  QFont font(family);
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace

class TextMeasureTest : public QObject {
  Q_OBJECT
 private slots:
  // widest() must equal shaping every text, whatever the texts and the font.
  void widestIsTheWidestShaped_data() {
    QTest::addColumn<QStringList>("texts");
    QTest::addColumn<QFont>("font");
    const QFont plain = fontOf("Liberation Sans", 8, false);
    const QFont bold = fontOf("Liberation Sans", 8, true);
    const QFont large = fontOf("DejaVu Sans", 20, false);
    // Kerning pairs and ligatures, where the characters' advances alone are wrong.
    const QStringList kerned = {"AVAVAVAVAVAV",         "WAWAWAWAWAWA", "To. Ty. Va.",
                                "office ffi",           "LTAVAT",       "MMMMMMMMMMM",
                                "iiiiiiiiiiiiiiiiiiiii"};
    // Texts the advances do not cover, shaped at once.
    const QStringList shaped = {"e\u0301e\u0301e\u0301", "\u05e9\u05dc\u05d5\u05dd", "tab\there",
                                "\U0001F600 x", "plain"};
    QTest::newRow("field names") << fieldNames() << plain;
    QTest::newRow("field names, large") << fieldNames() << large;
    QTest::newRow("figures in bold") << figures() << bold;
    QTest::newRow("kerned") << kerned << large;
    QTest::newRow("kerned, small") << kerned << plain;
    QTest::newRow("other scripts") << shaped << plain;
    QTest::newRow("one text") << QStringList{"B-24D"} << bold;
    QTest::newRow("repeated") << QStringList{"1943", "1943", "1943", "1944"} << bold;
    QTest::newRow("empty texts") << QStringList{"", ""} << plain;
    QTest::newRow("none") << QStringList{} << plain;
  }
  void widestIsTheWidestShaped() {
    QFETCH(QStringList, texts);
    QFETCH(QFont, font);
    const QFontMetrics metrics(font);
    int expected = 0;
    for (const QString& text : texts)
      expected = std::max(expected, metrics.horizontalAdvance(text));
    const ui::TextWidths widths(font);
    QCOMPARE(widths.widest(texts), expected);
    // fits() agrees with the shaped width at the edge, one pixel either side.
    for (const QString& text : texts) {
      const int width = metrics.horizontalAdvance(text);
      QVERIFY2(widths.fits(text, width), qPrintable(text));
      QVERIFY2(width == 0 || !widths.fits(text, width - 1), qPrintable(text));
    }
  }

  // The note reports the sizes QLabel computes, for the texts the views show, at several
  // widths, and follows a new text and a new font.
  void noteSizesAreTheLabels_data() {
    QTest::addColumn<QString>("text");
    QTest::newRow("two lines") << QStringLiteral(
        "There is no planes.dat.bak in the game folder (Tolvane makes it when it first saves "
        "in a run).\nThere is no planes.dat.orig in the game folder (Tolvane makes it at its "
        "very first save there).");
    QTest::newRow("a long path") << QStringLiteral(
        "From /home/someone/games/a-very-long-folder-name-without-spaces/planes.dat. "
        "Double-click an aircraft or press Enter to open it in the window.");
    QTest::newRow("one word") << QStringLiteral("planes.dat");
    QTest::newRow("empty") << QString();
  }
  void noteSizesAreTheLabels() {
    QFETCH(QString, text);
    ui::NoteLabel note;
    QLabel label;
    label.setWordWrap(true);
    label.setTextInteractionFlags(Qt::TextSelectableByMouse);
    for (const QString& shown : {QStringLiteral("Another note, shorter."), text}) {
      note.setText(shown);
      label.setText(shown);
      for (int round = 0; round < 2; ++round) {  // the second round is answered from memory
        QCOMPARE(note.sizeHint(), label.sizeHint());
        QCOMPARE(note.minimumSizeHint(), label.minimumSizeHint());
        for (const int width : {40, 200, 431, 800}) {
          QCOMPARE(note.heightForWidth(width), label.heightForWidth(width));
        }
      }
    }
    QFont larger = note.font();
    larger.setPointSizeF(larger.pointSizeF() * 2);
    note.setFont(larger);
    label.setFont(larger);
    QCOMPARE(note.sizeHint(), label.sizeHint());
    QCOMPARE(note.minimumSizeHint(), label.minimumSizeHint());
    QCOMPARE(note.heightForWidth(300), label.heightForWidth(300));
    note.setContentsMargins(7, 7, 7, 7);
    label.setContentsMargins(7, 7, 7, 7);
    QCOMPARE(note.heightForWidth(300), label.heightForWidth(300));
  }
};

QTEST_MAIN(TextMeasureTest)
#include "test_text_measure.moc"
