// Applying a shared aircraft script: the preview, the values through the normal cell path
// as one undoable step, refusals that change nothing, and the round trip with the Script
// Maker.
#include <QCheckBox>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>
#include <filesystem>

#include "app/main_window.h"
#include "app/record_session.h"
#include "record/layout.h"
#include "support/test_support.h"
#include "ui/byte_grid.h"
#include "ui/dir_list.h"

using namespace tolvane;
using test::Fixture;

namespace {

// Writes the open aircraft as a script through the Script Maker panel; returns its path.
QString writeScript(Fixture& f, const QString& folder) {
  const auto& c = f.window->controls();
  QTest::mouseClick(c.Command2, Qt::LeftButton);
  c.Text12->clear();
  c.Text11->setText("shared");
  c.Text10->setPlainText("A faster aircraft");
  c.Dir1->setPath(folder);
  QTest::mouseClick(c.Command4, Qt::LeftButton);
  return folder + "/" + c.Text9->text() + ".oaw";
}

// Drags files onto a widget of the window and drops them there, as a file manager does;
// returns whether the drag was taken. What the drop opens comes later, from the event loop.
bool sendDrop(QWidget* target, const QStringList& paths) {
  QMimeData data;
  QList<QUrl> urls;
  for (const QString& path : paths) urls << QUrl::fromLocalFile(path);
  data.setUrls(urls);
  const QPoint at(target->width() / 2, target->height() / 2);
  QDragEnterEvent enter(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  QDropEvent dropped(at, Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, {});
  QCoreApplication::sendEvent(target, &dropped);
  return true;
}

// Drops a file on the window and waits for the preview or the message it opens.
void drop(Fixture& f, const QString& path) {
  const qsizetype before = f.prompter.questions.size() + f.prompter.errors.size();
  QVERIFY(sendDrop(f.window.get(), {path}));
  QTRY_VERIFY(f.prompter.questions.size() + f.prompter.errors.size() > before);
}

// The Spit IX (slot 11) with a Max speed byte of 99, written as a script into a folder by
// the Script Maker of a window of its own; returns the script's path.
QString spitScript(const QString& folder) {
  Fixture f;
  f.pick(11);
  f.setCell(25, 2, "99");
  return writeScript(f, folder);
}

QStringList rows2to168(Fixture& f) {
  QStringList out;
  for (int row = 2; row <= record::kRecordBytes; ++row) out << f.cell(row);
  return out;
}

}  // namespace

class ApplyScriptTest : public QObject {
  Q_OBJECT
 private slots:
  // A script written from any slot, applied to that slot of an untouched copy of the file,
  // gives the same rows 2 to 168 and, after a save, the same file.
  void roundTripWithTheScriptMaker_data() {
    QTest::addColumn<int>("slot");
    for (int slot : {0, 7, 29}) QTest::addRow("slot %d", slot) << slot;
  }
  void roundTripWithTheScriptMaker() {
    QFETCH(int, slot);
    QTemporaryDir scripts;
    QString path;
    QStringList written;
    QByteArray savedFile;
    {
      Fixture f;
      f.pick(slot);
      // A performance figure, a damage byte and the code, typed as the user types them.
      test::typeInto(f.window->controls().Text3[4], "19789");
      f.typeInGrid(80, "12");
      test::typeInto(f.window->controls().Text5, "ABAB", true);
      QVERIFY(f.window->save());
      savedFile = f.folder.bytes();
      path = writeScript(f, scripts.path());
      QVERIFY2(QFile::exists(path), qPrintable(f.prompter.errors.join('\n')));
      written = rows2to168(f);
    }
    Fixture g;  // an untouched copy of the generated file
    g.pick(slot);
    g.prompter.choices = {"Apply"};
    drop(g, path);
    QCOMPARE(g.prompter.questions.size(), 1);
    QCOMPARE(rows2to168(g), written);
    QVERIFY(g.window->hasUnsavedChanges());
    QVERIFY(g.window->save());
    QCOMPARE(g.folder.bytes(), savedFile);
  }

  // The preview lists every changed field as the player knows it: the value before and after
  // in the field's unit and the metric one, flags by their boxes, the code as text, damage
  // bytes by their labels; "1 value", not "1 values".
  void previewSpeaksInValues_data() {
    QTest::addColumn<bool>("many");
    QTest::newRow("one value") << false;
    QTest::newRow("five values") << true;
  }
  void previewSpeaksInValues() {
    QFETCH(bool, many);
    QTemporaryDir scripts;
    QString path;
    QStringList due;
    {
      Fixture f;
      f.pick(7);
      const auto& c = f.window->controls();
      const QString year = c.Text8->text().trimmed();
      test::typeInto(c.Text8, "1942");
      due << "Year " + year + " \u2192 1942";
      if (many) {
        const double speed = c.Text3[3]->text().trimmed().toDouble();
        test::typeInto(c.Text3[3], "41800");
        due << QString("Max speed %1 \u2192 418.00 mph (%2 \u2192 672.7 km/h)")
                   .arg(speed / 100, 0, 'f', 2)
                   .arg(speed / 100 * 1.6093, 0, 'f', 1);
        const QString code = c.Text5->text();
        test::typeInto(c.Text5, "ZZZZ", true);
        due << "Code " + code + " \u2192 ZZZZ";
        const QString damage = f.cell(76);
        f.typeInGrid(76, "12");
        due << QString::fromStdString(record::rowLabel(76)) + " damage " + damage + " \u2192 12";
        // Heavy armour on, Light Armour off (the pair is exclusive).
        QVERIFY(c.Check4[4]->isChecked() && !c.Check4[5]->isChecked());
        QTest::mouseClick(c.Check4[5], Qt::LeftButton, {}, QPoint(6, c.Check4[5]->height() / 2));
        due << ": Light Armour \u2192 Heavy armour";
      }
      path = writeScript(f, scripts.path());
    }
    Fixture g;
    g.pick(7);
    drop(g, path);  // no answer: Cancel
    const QString preview = g.prompter.questions.value(0);
    due << (many ? QString("5 values of B-24D would change")
                 : QString("1 value of B-24D would change"));
    for (const QString& part : due) {
      QVERIFY2(preview.contains(part), qPrintable(part + "\n---\n" + preview));
    }
    QVERIFY(!preview.contains("more"));
    QVERIFY(!preview.contains("byte 165"));
  }

  // The preview names the script, its slot and aircraft, the description and each change;
  // Cancel changes nothing, Apply is one step that one undo takes back.
  void previewThenApplyAsOneStep() {
    QTemporaryDir scripts;
    const QString path = spitScript(scripts.path());
    Fixture g;
    g.pick(7);  // B-24D
    const QStringList before = rows2to168(g);
    drop(g, path);  // no answer: Cancel
    QCOMPARE(rows2to168(g), before);
    const QString preview = g.prompter.questions.value(0);
    for (const QString& part :
         {QString("shared"), QString("slot 11, Spit IX"), QString("A faster aircraft"),
          QString("not for the open aircraft B-24D"), QString("Max speed ")}) {
      QVERIFY2(preview.contains(part), qPrintable(part + "\n---\n" + preview));
    }
    QCOMPARE(g.prompter.buttonSets[0], QStringList({"Apply", "Cancel"}));
    g.prompter.choices = {"Apply"};
    drop(g, path);
    QCOMPARE(g.cell(25), QString("99"));
    QCOMPARE(g.window->controls().Text3[3]->text().trimmed().toLongLong() % 256, 99);
    QCOMPARE(g.window->openSlot(), 7);
    g.window->session().undo();
    QCOMPARE(rows2to168(g), before);
  }

  // A script in a folder whose name is not UTF-8 (Latin-1 "J\xe4ger"), dropped from a file
  // manager, is read from that folder and not from a name with U+FFFD in it.
  void aDroppedScriptKeepsEveryByteOfItsPath() {
    QTemporaryDir scripts;
    const QString written = spitScript(scripts.path());
    const std::filesystem::path folder =
        std::filesystem::path(scripts.path().toStdString()) / std::string("J\xe4ger");
    std::filesystem::create_directory(folder);
    std::filesystem::copy_file(written.toStdString(), folder / "shared.oaw");
    const QByteArray url =
        "file://" + QByteArray(folder.c_str()).toPercentEncoding("/") + "/shared.oaw";
    Fixture g;
    g.pick(7);
    g.prompter.choices = {"Apply"};
    QMimeData data;
    data.setUrls({QUrl::fromEncoded(url)});
    const QPoint at(g.window->width() / 2, g.window->height() / 2);
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(g.window.get(), &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(g.window.get(), &dropped);
    QTRY_COMPARE(g.cell(25), QString("99"));
    QVERIFY2(g.prompter.errors.isEmpty(), qPrintable(g.prompter.errors.join("\n")));
  }

  void withNoAircraftOpenTheScriptsSlotIsOpened() {
    QTemporaryDir scripts;
    QString path;
    {
      Fixture f;
      f.pick(20);
      path = writeScript(f, scripts.path());
    }
    Fixture g;
    g.prompter.choices = {"Apply"};
    drop(g, path);
    QCOMPARE(g.window->openSlot(), 20);
    QCOMPARE(g.window->controls().List1->currentRow(), 20);
  }

  // A script that does not read is refused naming the line and its text; nothing changes.
  void aScriptThatDoesNotReadChangesNothing_data() {
    QTest::addColumn<int>("line");  // the line to spoil (0: cut the file after line 40)
    QTest::addColumn<QByteArray>("text");
    QTest::newRow("256") << 40 << QByteArray("256");
    QTest::newRow("text") << 12 << QByteArray("abc");
    QTest::newRow("slot") << 2 << QByteArray("31");
    QTest::newRow("short") << 0 << QByteArray();
  }
  void aScriptThatDoesNotReadChangesNothing() {
    QFETCH(int, line);
    QFETCH(QByteArray, text);
    QTemporaryDir scripts;
    QString path;
    {
      Fixture f;
      f.pick(3);
      path = writeScript(f, scripts.path());
    }
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QList<QByteArray> lines = file.readAll().split('\n');
    file.close();
    if (line == 0) {
      lines = lines.mid(0, 40);
    } else {
      lines[line - 1] = text + "\r";
    }
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(lines.join('\n'));
    file.close();
    Fixture g;
    g.pick(3);
    const QStringList before = rows2to168(g);
    drop(g, path);
    QCOMPARE(g.prompter.errors.size(), 1);
    QVERIFY(g.prompter.questions.isEmpty());
    if (line > 0) {
      QVERIFY2(g.prompter.errors[0].contains(QStringLiteral("line %1").arg(line)) &&
                   g.prompter.errors[0].contains(text),
               qPrintable(g.prompter.errors[0]));
    }
    QCOMPARE(rows2to168(g), before);
    QVERIFY(!g.window->hasUnsavedChanges());
  }

  // A script dropped on a text box, the Script Maker's Description among them, is applied
  // and not typed into the box; the preview opens only after the drop has returned, so that
  // the file manager is not kept waiting.
  void aDroppedScriptIsAppliedWhereverItLands_data() {
    QTest::addColumn<QString>("target");  // a control's object name; empty: the window
    QTest::newRow("window") << "";
    QTest::newRow("Description") << "Text10";
    QTest::newRow("Aircraft Name") << "Text9";
    QTest::newRow("Close view") << "Text1";
  }
  void aDroppedScriptIsAppliedWhereverItLands() {
    QFETCH(QString, target);
    QTemporaryDir scripts;
    const QString path = spitScript(scripts.path());
    Fixture g;
    g.pick(7);
    const auto& c = g.window->controls();
    QTest::mouseClick(c.Command2, Qt::LeftButton);  // the Script Maker's boxes are shown
    QWidget* on = g.window.get();
    QString typed;
    if (!target.isEmpty()) {
      on = g.find<QWidget>(target);
      QVERIFY(on);
      typed = "typed";
      if (auto* box = qobject_cast<QPlainTextEdit*>(on)) {
        box->setFocus();
        QTest::keyClicks(box, typed);
        on = box->viewport();
      } else {
        auto* line = qobject_cast<QLineEdit*>(on);
        line->setFocus();
        line->selectAll();
        QTest::keyClicks(line, typed);
      }
    }
    g.prompter.choices = {"Apply"};
    QVERIFY(sendDrop(on, {path}));
    QVERIFY(g.prompter.questions.isEmpty());
    QTRY_COMPARE(g.prompter.questions.size(), 1);
    QVERIFY2(g.prompter.errors.isEmpty(), qPrintable(g.prompter.errors.join("\n")));
    QCOMPARE(g.cell(25), QString("99"));
    if (target == "Text10") QCOMPARE(c.Text10->toPlainText(), typed);
    if (target == "Text9") QCOMPARE(c.Text9->text(), typed);
  }

  // A drop that applies nothing says why, after the drop has returned, and changes nothing:
  // two scripts at once, a planes.dat (the game's own or another), a file of another kind,
  // a folder.
  void aDropThatAppliesNothingSaysWhy_data() {
    QTest::addColumn<QStringList>("names");  // made in a temporary folder; "@game": planes.dat
    QTest::addColumn<QStringList>("message");
    QTest::newRow("two scripts") << QStringList{"a.oaw", "b.OAW"}
                                 << QStringList{"2 aircraft scripts", "a.oaw\"", "b.OAW\"",
                                                "one at a time"};
    QTest::newRow("two scripts and a text") << QStringList{"a.oaw", "b.oaw", "readme.txt"}
                                            << QStringList{"2 aircraft scripts", "one at a time"};
    QTest::newRow("the game's planes.dat")
        << QStringList{"@game"} << QStringList{"planes.dat\" is a planes.dat", "game folder"};
    QTest::newRow("another PLANES.DAT")
        << QStringList{"PLANES.DAT"} << QStringList{"PLANES.DAT\" is a planes.dat"};
    QTest::newRow("a text file") << QStringList{"readme.txt"}
                                 << QStringList{"readme.txt\" is not an aircraft script", ".oaw"};
    QTest::newRow("two other files")
        << QStringList{"x.dat", "y.zip"}
        << QStringList{"x.dat\", \"", "y.zip\" are not aircraft scripts"};
    QTest::newRow("a folder") << QStringList{"P-51/"} << QStringList{"is not an aircraft script"};
  }
  void aDropThatAppliesNothingSaysWhy() {
    QFETCH(QStringList, names);
    QFETCH(QStringList, message);
    Fixture f;
    f.pick(4);
    QTemporaryDir dir;
    QStringList paths;
    for (const QString& name : names) {
      if (name == "@game") {
        paths << f.folder.filePath();
      } else if (name.endsWith('/')) {
        QVERIFY(QDir(dir.path()).mkdir(name.chopped(1)));
        paths << dir.filePath(name.chopped(1));
      } else {
        QFile file(dir.filePath(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("not applied\r\n");
        paths << file.fileName();
      }
    }
    const QStringList before = rows2to168(f);
    const QByteArray fileBefore = f.folder.bytes();
    QVERIFY(sendDrop(f.window.get(), paths));
    QVERIFY(f.prompter.errors.isEmpty());
    QTRY_COMPARE(f.prompter.errors.size(), 1);
    for (const QString& part : message + QStringList{"Nothing was changed."}) {
      QVERIFY2(f.prompter.errors[0].contains(part),
               qPrintable(part + "\n---\n" + f.prompter.errors[0]));
    }
    QVERIFY(f.prompter.questions.isEmpty());
    QCOMPARE(rows2to168(f), before);
    QVERIFY(!f.window->hasUnsavedChanges());
    QCOMPARE(f.folder.bytes(), fileBefore);
  }
};

QTEST_MAIN(ApplyScriptTest)
#include "test_apply_script.moc"
