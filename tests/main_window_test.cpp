#include <QAccessible>
#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMimeData>
#include <QProgressDialog>
#include <QPushButton>
#include <QRegularExpression>
#include <QTableView>
#include <QTextDocument>
#include <QTimer>
#include <QUrl>
#include <QtTest>
#include <filesystem>
#include <functional>
#include <memory>

#include "app/main_window.h"
#include "platform/dialogs.h"
#include "store/program_files.h"
#include "tests/test_support.h"

using namespace zantovel;
using namespace zantovel::test;

namespace {

// What a modal dialog showed, read just before it was closed.
struct SeenDialog {
  QString title;
  QString text;
  QMessageBox::Icon icon = QMessageBox::NoIcon;
  bool busyCursor = false;
  int width = 0;
  int titleWidth = 0;  // the caption's text in the dialog's font
  QString directory;   // where a folder dialog started
  QString link;        // where a link in the text leads
};

// Waits for the next modal dialog, lets `act` look at it and close it.
void OnNextModal(std::function<void(QDialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    // A pass's progress box is no box to answer: the one after it is.
    if (dialog == nullptr || qobject_cast<QProgressDialog*>(dialog) != nullptr) return;
    timer->stop();
    timer->deleteLater();
    act(dialog);
  });
  timer->start(10);
}

void CloseNextBox(SeenDialog* seen) {
  OnNextModal([seen](QDialog* dialog) {
    auto* box = qobject_cast<QMessageBox*>(dialog);
    seen->title = dialog->windowTitle();
    if (box != nullptr) {
      seen->text = box->text();
      if (box->textFormat() == Qt::RichText) {
        // The text as the box shows it, and the link in it.
        QTextDocument shown;
        shown.setHtml(box->text());
        seen->text = shown.toPlainText().replace(QChar::LineSeparator, '\n');
        const QRegularExpressionMatch href =
            QRegularExpression("href=\"([^\"]*)\"").match(box->text());
        seen->link = href.captured(1);
      }
      seen->icon = box->icon();
    }
    seen->busyCursor = QApplication::overrideCursor() != nullptr;
    seen->width = dialog->width();
    seen->titleWidth = dialog->fontMetrics().horizontalAdvance(dialog->windowTitle());
    if (auto* picker = qobject_cast<QFileDialog*>(dialog)) {
      seen->directory = picker->directory().absolutePath();
      dialog->reject();
      return;
    }
    dialog->accept();
  });
}

// Presses keys in widget and says whether any dialog opened within a short while (closing it).
bool KeysOpenADialog(QWidget* widget, QKeySequence keys) {
  bool opened = false;
  auto* closer = new QTimer;
  QObject::connect(closer, &QTimer::timeout, [&opened] {
    if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
      opened = true;
      dialog->reject();
    }
  });
  closer->start(10);
  QTest::keySequence(widget, keys);
  QTest::qWait(200);
  delete closer;
  return opened;
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  // Qt's own dialogs, the same on every machine, whatever its desktop.
  void initTestCase() { QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs); }
  // Every test has a program folder of its own, with its own settings file.
  void init() {
    home = std::make_unique<TempDir>();
    files = std::make_unique<ProgramFiles>(*home / "zantovel");
  }
  void cleanup() {
    files.reset();
    home.reset();
  }

  void opensWithCaptionDefaultsAndFocus() {
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QCOMPARE(window.windowTitle(), QString("Zantovel v" ZANTOVEL_TEST_VERSION));
    QCOMPARE(Field(window, "txtPath"), QString("/tmp/"));
    QCOMPARE(Field(window, "txtPrefix"), QString("a_"));
    QCOMPARE(Field(window, "txtType"), QString(".tmp"));
    QCOMPARE(QApplication::focusWidget(), window.findChild<QWidget*>("txtPath"));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(!window.windowFlags().testFlag(Qt::WindowMinimizeButtonHint));
    QCOMPARE(window.minimumSize(), window.maximumSize());
  }

  void closingSavesAndTheNextStartRestores() {
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=/var/log/zantovel.log\r\n");
    {
      MainWindow window(*files);
      window.show();
      SetField(window, "txtPath", "/data/photos/");
      SetField(window, "txtPrefix", "IMG##_");
      SetField(window, "txtType", "");
      window.close();
    }
    QCOMPARE(QString::fromStdString(ReadFile(files->Settings().Path())),
             QString("[Settings]\r\nAppLog=/var/log/zantovel.log\r\nLastP=/data/photos/\r\n"
                     "LastF=IMG##_\r\nLastT=\r\n"));
    MainWindow restarted(*files);
    QCOMPARE(Field(restarted, "txtPath"), QString("/data/photos/"));
    QCOMPARE(Field(restarted, "txtPrefix"), QString("IMG##_"));
    QCOMPARE(Field(restarted, "txtType"), QString(""));
  }

  // The hover rules themselves are the window model's (window_model_test.cpp); these rows check
  // that each part of the window reports the move the rules expect.
  void hover_data() {
    QTest::addColumn<QStringList>("moves");
    QTest::addColumn<QString>("shape1");
    QTest::addColumn<QString>("shape2");
    QTest::newRow("at rest") << QStringList{} << "white"
                             << "white";
    QTest::newRow("over ...") << QStringList{"Label2"} << "blue"
                              << "white";
    QTest::newRow("over Run") << QStringList{"Label3"} << "white"
                              << "blue";
    QTest::newRow("back to the window") << QStringList{"Label2", "Label3", "bare"} << "white"
                                        << "white";
    QTest::newRow("the strip below ... is window") << QStringList{"Label2", "strip"} << "white"
                                                   << "white";
    QTest::newRow("fast flick to a text box") << QStringList{"Label2", "txtPath"} << "blue"
                                              << "white";
    QTest::newRow("fast flick to the help icon") << QStringList{"Label2", "imgInfo"} << "blue"
                                                 << "white";
    QTest::newRow("over a caption") << QStringList{"Label3", "Label1_2"} << "white"
                                    << "blue";
  }

  void hover() {
    QFETCH(QStringList, moves);
    QFETCH(QString, shape1);
    QFETCH(QString, shape2);
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    for (const QString& target : moves) QTest::mouseMove(&window, PointOf(window, target));
    QCOMPARE(ColourName(window, "Shape1"), shape1);
    QCOMPARE(ColourName(window, "Shape2"), shape2);
  }

  void runPassesTheFieldsAndKeepsThePrefixField() {
    TempDir dir;
    std::filesystem::create_directory(dir / "files");
    WriteFile(dir / "files/p.tmp", "P");
    WriteFile(dir / "files/q.tmp", "Q");
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=" + (dir / "log") + "\r\n");
    MainWindow window(*files);
    window.show();
    SetField(window, "txtPath", QString::fromStdString(dir / "files/"));
    SetField(window, "txtPrefix", "##");
    SetField(window, "txtType", ".tmp");

    SeenDialog seen;
    CloseNextBox(&seen);
    QTest::mouseClick(window.findChild<QWidget*>("Label3"), Qt::LeftButton);

    // The pass runs off the window's thread; its box follows, the summary after "Done".
    QTRY_VERIFY(seen.text.startsWith("Done\n\n2 renamed.\nLog: "));
    QCOMPARE(seen.title, QString("Zantovel"));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(FolderNames(dir / "files"), (std::vector<std::string>{"001p.tmp", "00q.tmp"}));
    // The log's name opens the log.
    QCOMPARE(seen.link, QUrl::fromLocalFile(QString::fromStdString(dir / "log")).toString());
    QCOMPARE(StepMessages(dir / "log").size(), std::size_t{8});
    QCOMPARE(Field(window, "txtPrefix"), QString("##"));
  }

  // A long pass runs off the window's thread: the window stays alive, a progress box appears,
  // Esc stops the pass between two files, and Ctrl+Z, once confirmed, takes it back.
  void aLongPassCanBeWatchedStoppedAndTakenBack() {
    TempDir dir;
    std::filesystem::create_directory(dir / "files");
    constexpr int kFiles = 40000;
    for (int i = 0; i < kFiles; ++i) WriteFile(dir / ("files/f" + std::to_string(i) + ".tmp"), "");
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=" + (dir / "log") + "\r\n");
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    SetField(window, "txtPath", QString::fromStdString(dir / "files/"));
    SeenDialog stopped;
    CloseNextBox(&stopped);
    QTest::mouseClick(window.findChild<QWidget*>("Label3"), Qt::LeftButton);
    QVERIFY(!window.findChild<QWidget*>("txtPath")->isEnabled());
    QTRY_VERIFY(window.findChild<QProgressDialog*>("progressBox") != nullptr &&
                window.findChild<QProgressDialog*>("progressBox")->isVisible());
    const QProgressDialog* progress = window.findChild<QProgressDialog*>("progressBox");
    QVERIFY(progress->width() >
            progress->fontMetrics().horizontalAdvance(progress->windowTitle()) + 60);
    QTest::keyClick(&window, Qt::Key_Escape);
    QTRY_VERIFY_WITH_TIMEOUT(stopped.text.startsWith("Stopped\n\n"), 20000);
    QVERIFY(window.findChild<QWidget*>("txtPath")->isEnabled());
    const std::vector<std::string> after = FolderNames(dir / "files");
    const auto renamed = std::count_if(after.begin(), after.end(),
                                       [](const std::string& n) { return n.rfind("a_", 0) == 0; });
    QVERIFY(renamed > 0 && renamed < kFiles);

    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QString question;
    OnNextModal([&question](QDialog* dialog) {
      auto* box = qobject_cast<QMessageBox*>(dialog);
      question = box->text();
      if (QAbstractButton* yes = box->button(QMessageBox::Yes))
        yes->click();
      else
        dialog->reject();
    });
    // The focus is back in a text box. Ctrl+Z there takes back what was typed first, and then
    // the pass.
    auto* box = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(box != nullptr);
    const QString text = box->text();
    QTest::keyClick(box, Qt::Key_X);
    QTest::keySequence(box, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QCOMPARE(box->text(), text);
    QTest::qWait(300);
    QVERIFY(question.isEmpty());
    SeenDialog undone;
    QTimer::singleShot(200, [&undone] { CloseNextBox(&undone); });
    QTest::keySequence(box, QKeySequence(Qt::CTRL | Qt::Key_Z));
    QTRY_VERIFY(question.startsWith("Take back this pass?\n\nFolder: "));
    QTRY_VERIFY_WITH_TIMEOUT(undone.text.startsWith("Done\n\n"), 20000);
    const std::vector<std::string> back = FolderNames(dir / "files");
    QCOMPARE(std::count_if(back.begin(), back.end(),
                           [](const std::string& n) { return n.rfind("a_", 0) == 0; }),
             0);
    QCOMPARE(back.size(), std::size_t{kFiles});
  }

  // F5 opens the preview beside the window, without taking the keys; it follows the fields as
  // they change, and its Run runs the pass it shows, which then does what it showed.
  void previewFollowsTheFieldsAndRunsWhatItShows() {
    TempDir dir;
    std::filesystem::create_directory(dir / "files");
    for (const char* name : {"a.tmp", "b.tmp", "xa.tmp", "IMG_20240101_123456.tmp", "c.txt"})
      WriteFile(dir / ("files/" + std::string(name)), name);
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=" + (dir / "log") + "\r\n");
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    SetField(window, "txtPath", QString::fromStdString(dir / "files/"));
    QTest::keyClick(&window, Qt::Key_F5);
    auto* preview = window.findChild<QWidget*>("previewWindow");
    QVERIFY(preview != nullptr && preview->isVisible());
    QVERIFY(!preview->geometry().intersects(window.geometry()));
    QCOMPARE(QApplication::activeWindow(), &window);
    auto* heading = preview->findChild<QLabel*>("previewHeading");
    auto* rows = preview->findChild<QTableView*>("previewTable")->model();

    const struct {
      const char *prefix, *type, *heading;  // the heading whole, or its start ending in "..."
      int rows;
      const char* firstNewName;  // of the first row
    } cases[] = {
        {"x", ".tmp",
         "What Run would rename\n1 would be renamed\n1 passed over: longer than 20 characters "
         "(IMG_20240101_123456.tmp)\n1 passed over: already begins with x (xa.tmp)\n"
         "1 left: new name taken (a.tmp)",
         4, ""},
        {"n_", ".txt", "What Run would rename\n1 would be renamed", 1, "n_c.txt"},
        {"n_", ".jpg", "What Run would rename\n0 would be renamed\n...", 0, nullptr},
        {"a/b", ".tmp", "The prefix may not contain \"/\"...", 0, nullptr},
    };
    for (const auto& c : cases) {
      SetField(window, "txtPrefix", c.prefix);
      SetField(window, "txtType", c.type);
      const QString expected(c.heading);
      const auto shown = [&] {
        return expected.endsWith("...") ? heading->text().startsWith(expected.chopped(3))
                                        : heading->text() == expected;
      };
      QTRY_VERIFY2(shown(), qPrintable(heading->text()));
      QCOMPARE(rows->rowCount(), c.rows);
      if (c.firstNewName != nullptr)
        QCOMPARE(rows->index(0, 1).data().toString(), QString(c.firstNewName));
    }

    SetField(window, "txtPrefix", "x");
    SetField(window, "txtType", ".tmp");
    QTRY_VERIFY(heading->text().startsWith(cases[0].heading));
    QStringList planned;
    for (int row = 0; row < rows->rowCount(); ++row)
      planned << rows->index(row, 0).data().toString() + ">" +
                     rows->index(row, 1).data().toString();
    SeenDialog seen;
    CloseNextBox(&seen);
    QTest::mouseClick(preview->findChild<QPushButton*>("previewRun"), Qt::LeftButton);
    QTRY_VERIFY(seen.text.startsWith("Done\n\n1 renamed"));
    QTRY_VERIFY2(heading->text().startsWith("Done: what the pass did\n1 renamed"),
                 qPrintable(heading->text()));
    QStringList done;
    for (int row = 0; row < rows->rowCount(); ++row)
      done << rows->index(row, 0).data().toString() + ">" + rows->index(row, 1).data().toString();
    QCOMPARE(done, planned);
    QCOMPARE(FolderNames(dir / "files"),
             (std::vector<std::string>{"IMG_20240101_123456.tmp", "a.tmp", "c.txt", "xa.tmp",
                                       "xb.tmp"}));
  }

  // A folder or a file dragged from a file manager onto the window, or onto a text box, fills
  // the Folder field (a file's folder); text, a web address or a missing file is refused.
  void aDroppedFolderFillsTheFolderField() {
    TempDir dir;
    std::filesystem::create_directory(dir / "sub");
    WriteFile(dir / "sub/f.jpg", "");
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const auto urls = [](const QString& url) {
      auto* data = new QMimeData;
      data->setUrls({QUrl(url)});
      return data;
    };
    auto* text = new QMimeData;
    text->setText("hello");
    const QString local = QUrl::fromLocalFile(QString::fromStdString(dir / "sub/f.jpg")).toString();
    const struct {
      QMimeData* data;
      bool taken;
    } cases[] = {
        {urls(local), true},
        {urls(QUrl::fromLocalFile(QString::fromStdString(dir / "sub")).toString()), true},
        {urls(QUrl::fromLocalFile(QString::fromStdString(dir / "gone")).toString()), false},
        {urls("https://example.org/x/"), false},
        {text, false},
    };
    for (QWidget* target :
         {static_cast<QWidget*>(&window), window.findChild<QWidget*>("txtType")}) {
      for (const auto& c : cases) {
        SetField(window, "txtPath", "/before/");
        QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, c.data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &enter);
        QDropEvent drop(QPointF(5, 5), Qt::CopyAction, c.data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(target, &drop);
        const QString field = c.taken ? QString::fromStdString(dir / "sub/") : "/before/";
        QVERIFY2(enter.isAccepted() == c.taken || (target != &window && !c.data->hasUrls()),
                 qPrintable(c.data->text() + " " + target->objectName()));
        QCOMPARE(Field(window, "txtPath"), field);
      }
    }
    for (const auto& c : cases) delete c.data;
  }

  // With a large desktop font the window grows with it, and every caption still fits.
  void theWindowFollowsTheDesktopsFontSize() {
    const QFont before = QApplication::font();
    QSize sizes[2];
    for (const double points : {9.0, 14.0}) {
      QFont desktop = before;
      desktop.setPointSizeF(points);
      QApplication::setFont(desktop);
      MainWindow window(*files);
      sizes[points > 9 ? 1 : 0] = window.size();
      for (QLabel* label : window.findChildren<QLabel*>()) {
        if (label->text().isEmpty()) continue;
        QVERIFY2(label->sizeHint().width() <= label->width() + 2 &&
                     label->fontMetrics().height() <= label->height() + 2,
                 qPrintable(label->text()));
      }
    }
    QApplication::setFont(before);
    QVERIFY(sizes[1].width() >= sizes[0].width() * 14 / 9 - 2);
  }

  void helpShowsTheHelpText() {
    MainWindow window(*files);
    window.show();
    SeenDialog seen;
    CloseNextBox(&seen);
    QTest::mouseClick(window.findChild<QWidget*>("imgInfo"), Qt::LeftButton);
    QCOMPARE(seen.title, QString("Zantovel"));
    QCOMPARE(seen.icon, QMessageBox::Information);
    QCOMPARE(seen.text,
             QString("The prefix is the character(s) or number(s) that you would like to add to "
                     "the beginning of the filename.\n\nTo use preceeding numbers, use the # "
                     "character to specify the amount of leading zero's to use"));
    QCOMPARE(window.findChild<QWidget*>("imgInfo")->toolTip(), QString("Help...."));
  }

  void pickerFillsTheFolderOrLeavesItOnCancel() {
    TempDir dir;
    MainWindow window(*files);
    window.show();
    SetField(window, "txtPath", "/kept/");

    QString title;
    OnNextModal([&title](QDialog* dialog) {
      title = dialog->windowTitle();
      dialog->reject();
    });
    QTest::mouseClick(window.findChild<QWidget*>("Label2"), Qt::LeftButton);
    QCOMPARE(title, QString("Select folder"));
    QCOMPARE(Field(window, "txtPath"), QString("/kept/"));

    const QString chosen = QString::fromStdString(dir.path());
    OnNextModal([&chosen](QDialog* dialog) {
      auto* picker = qobject_cast<QFileDialog*>(dialog);
      picker->setDirectory(chosen);
      dialog->accept();
    });
    QTest::mouseClick(window.findChild<QWidget*>("Label2"), Qt::LeftButton);
    QCOMPARE(Field(window, "txtPath"), chosen + "/");
  }

  // Every action has a key; plain Return in a text box starts nothing.
  // Only a left press and release over "Run" is a click: a right click, or a press dragged off
  // it, starts nothing.
  void onlyALeftClickOverRunRunsAPass() {
    TempDir dir;
    WriteFile(dir / "x.tmp", "X");
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=" + (dir / "log") + "\r\n");
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    SetField(window, "txtPath", QString::fromStdString(dir.path() + "/"));
    QWidget* run = window.findChild<QWidget*>("Label3");
    QTest::mouseClick(run, Qt::RightButton);
    QTest::mousePress(run, Qt::LeftButton);
    QTest::mouseRelease(run, Qt::LeftButton, {}, QPoint(run->width() + 5, run->height() / 2));
    QTest::qWait(300);
    QVERIFY(!window.Busy());
    QCOMPARE(FolderNames(dir.path()), (std::vector<std::string>{"x.tmp"}));
  }

  void keyboardDoesWhatTheMouseDoes() {
    TempDir dir;
    std::filesystem::create_directory(dir / "files");
    WriteFile(dir / "files/p.tmp", "P");
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=" + (dir / "log") + "\r\n");
    MainWindow window(*files);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    SetField(window, "txtPath", QString::fromStdString(dir / "files/"));

    for (const char* box : {"txtPath", "txtPrefix", "txtType"}) {
      QWidget* edit = window.findChild<QWidget*>(box);
      edit->setFocus();
      QVERIFY2(!KeysOpenADialog(edit, QKeySequence(Qt::Key_Return)), box);
      QVERIFY2(!KeysOpenADialog(edit, QKeySequence(Qt::Key_Enter)), box);
    }
    QVERIFY(!std::filesystem::exists(dir / "log"));

    SeenDialog done;
    CloseNextBox(&done);
    QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_Return));
    QTRY_VERIFY(done.text.startsWith("Done\n"));
    QCOMPARE(FolderNames(dir / "files"), std::vector<std::string>{"a_p.tmp"});
    QCOMPARE(StepMessages(dir / "log").size(), std::size_t{4});

    // A closed box hands the keyboard back to the window, as a window manager does.
    const auto activate = [&window] {
      window.activateWindow();
      return QTest::qWaitForWindowActive(&window);
    };
    SeenDialog picker;
    CloseNextBox(&picker);
    QVERIFY(activate());
    QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(picker.title, QString("Select folder"));
    // The picker opens at the field's folder, or at home where the field names none.
    QCOMPARE(picker.directory, QString::fromStdString(dir / "files"));
    SetField(window, "txtPath", QString::fromStdString(dir / "missing/"));
    CloseNextBox(&picker);
    QVERIFY(activate());
    QTest::keySequence(&window, QKeySequence(Qt::CTRL | Qt::Key_O));
    QCOMPARE(picker.directory, QDir::homePath());

    SeenDialog help;
    CloseNextBox(&help);
    QVERIFY(activate());
    QTest::keySequence(&window, QKeySequence(Qt::Key_F1));
    QCOMPARE(help.icon, QMessageBox::Information);

    QCOMPARE(window.findChild<QWidget*>("Label2")->toolTip(), QString("Choose folder (Ctrl+O)"));
    QCOMPARE(
        window.findChild<QWidget*>("Label3")->toolTip(),
        QString(
            "Run (Ctrl+Return); F5 shows first what Run will do; Ctrl+Z takes the last pass back"));
    // Tab goes through every control in reading order and round again; the rectangles take no
    // focus. Space on "Run" runs a pass, Return on "..." opens the picker.
    QVERIFY(activate());
    window.findChild<QWidget*>("txtPath")->setFocus();
    for (const char* name : {"Label2", "txtPrefix", "txtType", "Label3", "imgInfo", "txtPath"}) {
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), window.findChild<QWidget*>(name));
    }
    for (const char* name : {"Shape1", "Shape2"})
      QCOMPARE(window.findChild<QWidget*>(name)->focusPolicy(), Qt::NoFocus);
    SetField(window, "txtPath", QString::fromStdString(dir / "files/"));
    SeenDialog spaced;
    CloseNextBox(&spaced);
    window.findChild<QWidget*>("Label3")->setFocus();
    QTest::keyClick(window.findChild<QWidget*>("Label3"), Qt::Key_Space);
    QTRY_VERIFY2(spaced.text.startsWith("Done\n"), qPrintable(spaced.text));
    QVERIFY(activate());
    window.findChild<QWidget*>("Label2")->setFocus();
    QVERIFY(KeysOpenADialog(window.findChild<QWidget*>("Label2"), QKeySequence(Qt::Key_Return)));
  }

  void screenReadersHearWhatEachControlIs_data() {
    QTest::addColumn<QString>("control");
    QTest::addColumn<int>("role");
    QTest::addColumn<QString>("name");
    QTest::newRow("...") << "Label2" << int(QAccessible::Button) << "Choose folder";
    QTest::newRow("Run") << "Label3" << int(QAccessible::Button) << "Run";
    QTest::newRow("help") << "imgInfo" << int(QAccessible::Button) << "Help";
    QTest::newRow("folder") << "txtPath" << int(QAccessible::EditableText) << "Folder";
    QTest::newRow("prefix") << "txtPrefix" << int(QAccessible::EditableText) << "Prefix";
    QTest::newRow("type") << "txtType" << int(QAccessible::EditableText) << "File types";
  }

  void screenReadersHearWhatEachControlIs() {
    QFETCH(QString, control);
    QFETCH(int, role);
    QFETCH(QString, name);
    MainWindow window(*files);
    window.show();
    QAccessibleInterface* accessible =
        QAccessible::queryAccessibleInterface(window.findChild<QWidget*>(control));
    QVERIFY(accessible != nullptr);
    QCOMPARE(int(accessible->role()), role);
    QCOMPARE(accessible->text(QAccessible::Name), name);
    if (role == QAccessible::Button) {
      QVERIFY(accessible->actionInterface() != nullptr);
      QVERIFY(accessible->actionInterface()->actionNames().contains(
          QAccessibleActionInterface::pressAction()));
    }
  }

  // A screen reader's press on "Run" is a click.
  void pressingRunThroughAccessibilityRunsAPass() {
    TempDir dir;
    WriteFile(files->Settings().Path(), "[Settings]\r\nAppLog=" + (dir / "log") + "\r\n");
    MainWindow window(*files);
    window.show();
    SetField(window, "txtPath", QString::fromStdString(dir.path() + "/"));
    SeenDialog seen;
    CloseNextBox(&seen);
    QAccessible::queryAccessibleInterface(window.findChild<QWidget*>("Label3"))
        ->actionInterface()
        ->doAction(QAccessibleActionInterface::pressAction());
    // The press returns at once; the box comes when the pass is done.
    QVERIFY(seen.text.isEmpty());
    QTRY_VERIFY(seen.text.startsWith("Done\n"));
  }

  void boxesShowTheirCaptionWhole() {
    MainWindow window(*files);
    window.show();
    SeenDialog seen;
    CloseNextBox(&seen);
    MsgBox("Done", MsgIcon::None, "Zantovel");
    QVERIFY2(seen.width > seen.titleWidth + 60,
             qPrintable(QString("%1 <= %2").arg(seen.width).arg(seen.titleWidth)));
  }

  void picturesAreSharpOnScaledScreens() {
    MainWindow window(*files);
    const QPixmap picture = window.findChild<QLabel*>("imgInfo")->pixmap();
    const QSize box = window.findChild<QLabel*>("imgInfo")->size();
    QCOMPARE(picture.deviceIndependentSize().toSize(), box);
    QCOMPARE(picture.size(), box * window.devicePixelRatioF());
  }

 private:
  std::unique_ptr<TempDir> home;
  std::unique_ptr<ProgramFiles> files;

  static QString Field(MainWindow& window, const char* name) {
    return window.findChild<QLineEdit*>(name)->text();
  }
  static void SetField(MainWindow& window, const char* name, const QString& text) {
    window.findChild<QLineEdit*>(name)->setText(text);
  }
  static QString ColourName(MainWindow& window, const char* shape) {
    const QColor colour = window.findChild<QFrame*>(shape)->palette().color(QPalette::Window);
    if (colour == QColor(255, 255, 255)) return "white";
    if (colour == QColor(0, 0, 255)) return "blue";
    return colour.name();
  }
  // A point inside the named control, or "bare" window, or the strip of Shape1 below "...".
  static QPoint PointOf(MainWindow& window, const QString& target) {
    if (target == "bare") return QPoint(window.width() / 2, window.height() - 4);
    if (target == "strip") {
      const QRect shape = window.findChild<QWidget*>("Shape1")->geometry();
      const QRect label = window.findChild<QWidget*>("Label2")->geometry();
      return QPoint(shape.center().x(), (label.bottom() + shape.bottom() + 1) / 2 + 1);
    }
    return window.findChild<QWidget*>(target)->geometry().center();
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
