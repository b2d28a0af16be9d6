// The main window: its controls, the list's keys, drops and row drags, and
// a close request while a batch runs.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDropEvent>
#include <QFile>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QScrollBar>
#include <QTimer>
#include <QTreeWidget>
#include <QUrl>

#include <gtest/gtest.h>

#include "BmpButton.h"
#include "FakeGraph.h"
#include "FakePlatform.h"
#include "FlashForm.h"
#include "FuncObjects.h"
#include "SegmentBar.h"
#include "TestEnvironment.h"
#include "Unit_CommonLib.h"
#include "Unit_Convert.h"
#include "Unit_Converting.h"
#include "UnitCustomProc.h"

namespace {

// Encoder processes started from a program folder (machine-wide look-ups
// would also see other programs' encoders).
int EncodersRunningFrom(const QString &folder)
{
    int count = 0;
    for (const QString &pid : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        const QString exe = QFile::symLinkTarget(QStringLiteral("/proc/") + pid + QStringLiteral("/exe"));
        if (exe.startsWith(folder) && exe.endsWith(QStringLiteral("evc.exe")))
            ++count;
    }
    return count;
}

class MainWindowTest : public WindowsTest
{
protected:
    void SetUp() override
    {
        WindowsTest::SetUp();
        m_graph = InstallFakeGraph(*m_main);
    }

    QTreeWidget *List() const { return m_main->dxTreeSourceFileInfo; }
    int Rows() const { return List()->topLevelItemCount(); }

    // A generated clip copied to a path of the test's own.
    QString Clip(const QString &relativePath, double seconds = 2.0)
    {
        const QString path = TempPath(relativePath);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile::copy(MakeClip({QStringLiteral("window_clip_%1.mp4").arg(seconds), seconds}), path);
        return path;
    }

    void Drop(QWidget *target, const QStringList &paths)
    {
        QList<QUrl> urls;
        for (const QString &path : paths)
            urls << QUrl::fromLocalFile(path);
        QMimeData data;
        data.setUrls(urls);
        // The toolkit delivers a drop to the widget that accepted the drag's entry.
        QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent drop(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &drop);
    }

    void PressKey(QWidget *target, int key)
    {
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
        QCoreApplication::sendEvent(target, &press);
    }

    TFakeGraph *m_graph = nullptr;
};

struct ControlCase
{
    const char *Name;
    int Width, Height;  // 0: not checked
    const char *Text;   // nullptr: not checked
    bool Visible;
};

TEST_F(MainWindowTest, ControlsCarryTheirNamesSizesCaptionsAndStates)
{
    const ControlCase controls[] = {
        {"lblTitle", 433, 24, "Sonabrix Video to Audio Converter", true},
        {"imgTitle", 713, 65, nullptr, true},
        {"btnWindowMinimize", 31, 27, nullptr, true},
        {"btnWindowClose", 31, 27, nullptr, true},
        {"btnWindowMaxsize", 0, 0, nullptr, false},
        {"btnHomePage", 48, 41, nullptr, true},
        {"btnEMail", 48, 41, nullptr, true},
        {"btnHelp", 48, 41, nullptr, true},
        {"btnAbout", 48, 41, nullptr, true},
        {"lblOutputFileTypeName", 0, 0, "Output FileType:", true},
        {"cbbOutputFiletype", 304, 0, nullptr, true},
        {"lblProfileSettings", 0, 0, "Profile Settings:", true},
        {"cbbProfile", 304, 0, nullptr, true},
        {"lblOutputFolderInfo", 0, 0, "Output Folder:", true},
        {"edtOutputFolder", 264, 0, nullptr, true},
        {"btnSelectOutputFolder", 29, 26, nullptr, true},
        {"chkShutdown", 0, 0, "Shutdown computer when job is finished.", true},
        {"chkShowOutputDirectory", 0, 0, "Show output directory when done", true},
        {"chkDisableAudio", 0, 0, "Disable Audio", false},
        {"btnOptions", 87, 29, nullptr, true},
        {"dxTreeSourceFileInfo", 557, 158, nullptr, true},
        {"btnOpenFile", 108, 38, nullptr, true},
        {"btnRemoveFile", 108, 38, nullptr, true},
        {"btnClearFile", 108, 38, nullptr, true},
        {"btnConvert", 108, 60, nullptr, true},
        {"pnlMediaView", 260, 158, nullptr, true},
        {"DSVideoWindowEx1", 256, 154, nullptr, true},
        {"panLogo", 256, 154, nullptr, true},
        {"imgLOGO", 256, 154, nullptr, true},
        {"pbPlayState", 260, 10, nullptr, true},
        {"pnlCurTime", 81, 17, "00:00:00", true},
        {"btnPlay", 26, 22, nullptr, true},
        {"btnPause", 26, 22, nullptr, true},
        {"RzBmpButton1", 26, 22, nullptr, true},
        {"Panel1", 260, 21, nullptr, true},
        {"Panel2", 1, 19, nullptr, true},
        {"Splitter1", 20, 19, nullptr, true},
        {"Panel4", 216, 19, nullptr, true},
        {"Splitter2", 20, 19, nullptr, true},
        {"Panel3", 1, 19, nullptr, true},
        {"imgL", 18, 20, nullptr, false},
        {"imgR", 18, 20, nullptr, false},
    };
    EXPECT_EQ(m_main->size(), QSize(719, 511));
    EXPECT_EQ(m_main->windowTitle(), QStringLiteral("Sonabrix"));
    EXPECT_TRUE(m_main->windowFlags() & Qt::FramelessWindowHint);
    for (const ControlCase &c : controls) {
        SCOPED_TRACE(c.Name);
        auto *widget = m_main->findChild<QWidget *>(QLatin1String(c.Name));
        ASSERT_NE(widget, nullptr);
        if (c.Width) {
            EXPECT_EQ(widget->width(), c.Width);
        }
        if (c.Height) {
            EXPECT_EQ(widget->height(), c.Height);
        }
        EXPECT_EQ(!widget->isHidden(), c.Visible);
        if (c.Text) {
            QString text;
            if (auto *label = qobject_cast<QLabel *>(widget))
                text = label->text();
            else if (auto *box = qobject_cast<QAbstractButton *>(widget))
                text = box->text();
            EXPECT_EQ(text, QString::fromUtf8(c.Text));
        }
        if (auto *button = qobject_cast<TRzBmpButton *>(widget); button && c.Visible) {
            EXPECT_FALSE(button->toolTip().isEmpty());
        }
    }
    EXPECT_EQ(m_main->lblTitle->font().pixelSize(), 15);
    EXPECT_TRUE(m_main->lblTitle->font().bold());
    EXPECT_FALSE(m_main->chkShutdown->isChecked());
    EXPECT_TRUE(m_main->chkShowOutputDirectory->isChecked());
    EXPECT_FALSE(m_main->chkDisableAudio->isChecked());
    EXPECT_TRUE(m_main->edtOutputFolder->isReadOnly());
    EXPECT_EQ(m_main->cbbOutputFiletype->count(), 7);
    EXPECT_EQ(m_main->tmrClearMemory->interval(), 1000);
    EXPECT_TRUE(m_main->tmrClearMemory->isActive());
    EXPECT_FALSE(m_main->dstrckbrMainform->Ticking());
    // The window's outline is cut from its background picture.
    EXPECT_FALSE(m_main->mask().isEmpty());
    EXPECT_FALSE(m_main->mask().contains(QPoint(0, 0)));
    EXPECT_TRUE(m_main->mask().contains(QPoint(360, 255)));
}

using FreshWindowTest = ProgramFolderTest;

TEST_F(FreshWindowTest, OutputFolderStartsInTheHomeFolder)
{
    TFrmMainForm window;
    EXPECT_EQ(window.edtOutputFolder->text(), QDir::homePath() + QStringLiteral("/sonabrix"));
    EXPECT_EQ(window.dxTreeSourceFileInfo->topLevelItemCount(), 0);
}

TEST_F(MainWindowTest, HelpButtonsHandTheirAddressesToTheDesktop)
{
    m_main->btnHomePage->click();
    m_main->btnEMail->click();
    m_main->btnHelp->click();
    ASSERT_EQ(FakePlatform().OpenedUrls.size(), 3);
    EXPECT_EQ(FakePlatform().OpenedUrls[0], ProductInfo.HomePage);
    EXPECT_EQ(FakePlatform().OpenedUrls[1], QStringLiteral("mailto:") + ProductInfo.SupportEmail);
    EXPECT_EQ(FakePlatform().OpenedUrls[2], QUrl::fromLocalFile(AppFolder() + QStringLiteral("Help.chm")).toString());
    EXPECT_FALSE(ProductInfo.HomePage.isEmpty());
    EXPECT_FALSE(ProductInfo.SupportEmail.isEmpty());
}

TEST_F(MainWindowTest, ListShowsEveryColumnWithoutScrollingWhenEmpty)
{
    QHeaderView *header = List()->header();
    EXPECT_FALSE(header->sectionsMovable());
    EXPECT_TRUE(List()->isColumnHidden(colCheckStatus));
    EXPECT_EQ(List()->selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_FALSE(List()->horizontalScrollBar()->isVisible());
    int total = 0;
    for (int column = colFileName; column <= colCutTime; ++column) {
        total += List()->columnWidth(column);
        EXPECT_FALSE(List()->headerItem()->icon(column).isNull());
        // Each caption fits its column.
        const int needed = List()->fontMetrics().horizontalAdvance(List()->headerItem()->text(column)) + 12 + 4;
        EXPECT_GE(List()->columnWidth(column), needed) << List()->headerItem()->text(column).toStdString();
    }
    EXPECT_LE(total, List()->viewport()->width());
    EXPECT_NEAR(static_cast<double>(List()->columnWidth(colFileName)) / List()->columnWidth(colStartTime), 68.0 / 28,
                0.05);
}

TEST_F(MainWindowTest, DeleteRemovesSelectedRowsAndStopsThePreview)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/b.mp4"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/c.mp4"), QStringLiteral("00:01:00"));

    List()->topLevelItem(0)->setSelected(true);
    m_main->dxTreeSourceFileInfoDblClick();
    ASSERT_FALSE(CommonLib->PlayingFile.isEmpty());
    List()->clearSelection();
    PressKey(List(), Qt::Key_Delete);  // nothing selected: only the preview stops
    EXPECT_EQ(Rows(), 3);
    EXPECT_TRUE(CommonLib->PlayingFile.isEmpty());

    List()->topLevelItem(0)->setSelected(true);
    List()->topLevelItem(2)->setSelected(true);
    PressKey(List(), Qt::Key_Delete);
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(List()->topLevelItem(0)->text(colFileName), QStringLiteral("/m/b.mp4"));
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
}

TEST_F(MainWindowTest, DroppedSupportedFilesAddRowsInOrderAndNothingElse)
{
    const QString first = Clip(QStringLiteral("drop/first.mp4"));
    const QString second = Clip(QStringLiteral("drop/second.avi.mp4"));
    QDir().mkpath(TempPath(QStringLiteral("drop/folder.mp4")));
    QFile text(TempPath(QStringLiteral("drop/notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not media");
    text.close();
    CustomProc->SaveInitDir();
    const QString remembered = CustomProc->ReadInitDir();

    Drop(m_main.get(), {second, TempPath(QStringLiteral("drop/folder.mp4")), TempPath(QStringLiteral("drop/notes.txt")), first});
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(List()->topLevelItem(0)->text(colFileName), second);
    EXPECT_EQ(List()->topLevelItem(1)->text(colFileName), first);
    EXPECT_TRUE(FakePlatform().Messages.isEmpty());
    EXPECT_EQ(CustomProc->ReadInitDir(), remembered);

    // The same file again, here on the list itself, adds nothing.
    Drop(List()->viewport(), {first, first});
    EXPECT_EQ(Rows(), 2);
}

TEST_F(MainWindowTest, DroppingKeepsThePreviewPlaying)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    List()->topLevelItem(0)->setSelected(true);
    m_main->dxTreeSourceFileInfoDblClick();
    Drop(m_main.get(), {Clip(QStringLiteral("drop/x.mp4"))});
    EXPECT_EQ(Rows(), 2);
    EXPECT_TRUE(CustomProc->IsPlaying);
}

TEST_F(MainWindowTest, ALongDroppedPathIsAddedWhole)
{
    QString relative = QStringLiteral("long");
    while (relative.size() < 300)
        relative += QStringLiteral("/folder_with_a_rather_long_name_") + QString::number(relative.size());
    const QString path = Clip(relative + QStringLiteral("/clip.mp4"));
    ASSERT_GT(path.size(), 300);
    Drop(m_main.get(), {path});
    ASSERT_EQ(Rows(), 1);
    EXPECT_EQ(List()->topLevelItem(0)->text(colFileName), path);
}

TEST_F(MainWindowTest, RowsDraggedOutAreRemovedAndDroppedBackKept)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/b.mp4"), QStringLiteral("00:01:00"));
    AddRow(QStringLiteral("/m/c.mp4"), QStringLiteral("00:01:00"));
    List()->topLevelItem(1)->setSelected(true);

    // What a drag of rows carries: no file names, no links.
    std::unique_ptr<QMimeData> data(m_main->dxTreeSourceFileInfo->mimeData(List()->selectedItems()));
    EXPECT_FALSE(data->hasUrls());
    EXPECT_FALSE(data->hasText());
    EXPECT_FALSE(data->data(TSourceListView::RowsMimeType()).contains("b.mp4"));

    m_main->dxTreeSourceFileInfoEndDrag(List()->viewport());
    EXPECT_EQ(Rows(), 3);
    m_main->dxTreeSourceFileInfoEndDrag(m_main->btnConvert);
    ASSERT_EQ(Rows(), 2);
    EXPECT_EQ(List()->topLevelItem(1)->text(colFileName), QStringLiteral("/m/c.mp4"));
    List()->clearSelection();
    List()->topLevelItem(0)->setSelected(true);
    m_main->dxTreeSourceFileInfoEndDrag(nullptr);  // released outside the program, or cancelled
    EXPECT_EQ(Rows(), 1);
}

TEST_F(MainWindowTest, DoubleClickOnAStartTimeCellOpensNoEditor)
{
    AddRow(QStringLiteral("/m/a.mp4"), QStringLiteral("00:01:00"));
    const QRect cell = List()->visualItemRect(List()->topLevelItem(0));
    const QPoint at(List()->columnViewportPosition(colStartTime) + 10, cell.center().y());
    QWidget *viewport = List()->viewport();
    for (QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                              QEvent::MouseButtonRelease}) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, at, viewport->mapToGlobal(at), Qt::LeftButton, held, Qt::NoModifier);
        QCoreApplication::sendEvent(viewport, &event);
    }
    QCoreApplication::processEvents();
    EXPECT_FALSE(List()->isPersistentEditorOpen(List()->topLevelItem(0), colStartTime));
    EXPECT_TRUE(viewport->findChildren<QLineEdit *>().isEmpty());
    EXPECT_EQ(List()->topLevelItem(0)->text(colStartTime), QStringLiteral("00:00:00"));
    // The double click played the row's file.
    EXPECT_EQ(CommonLib->PlayingFile, QStringLiteral("/m/a.mp4"));
}

TEST_F(MainWindowTest, MinimumSizeHoldsAndControlsFollowTheWindow)
{
    m_main->resize(100, 100);
    EXPECT_GE(m_main->width(), 686);
    EXPECT_GE(m_main->height(), 511);

    m_main->resize(919, 611);
    EXPECT_EQ(List()->size(), QSize(757, 258));
    EXPECT_EQ(m_main->cbbProfile->width(), 504);
    EXPECT_EQ(m_main->btnConvert->geometry().bottomRight(), QPoint(900, 602));
    EXPECT_EQ(m_main->btnWindowClose->geometry().right(), 909);
    EXPECT_EQ(m_main->pnlMediaView->pos(), QPoint(18, 78));
    EXPECT_TRUE(m_main->mask().contains(QPoint(900, 600)));
}

// --- A close request while a batch runs -------------------------------------------------

class CloseDuringBatchTest : public MainWindowTest
{
protected:
    void SetUp() override
    {
        MainWindowTest::SetUp();
        m_out = TempPath(QStringLiteral("out"));
        m_main->edtOutputFolder->setText(m_out);
        UserSelects(m_main->cbbOutputFiletype, QStringLiteral("MP3 Files (*.mp3)"));
        m_main->chkShowOutputDirectory->setChecked(false);
    }

    // A first file long enough to be caught converting, and a short second one.
    void AddFiles(const ClipSpec &first)
    {
        QStringList paths;
        for (const ClipSpec &clip : {first, ClipSpec(QStringLiteral("window_clip_2.mp4"), 2.0)}) {
            const QString path = TempPath(QStringLiteral("in/") + (paths.isEmpty() ? QStringLiteral("one") : QStringLiteral("two"))
                                          + QStringLiteral(".") + QFileInfo(clip.FileName).suffix());
            QDir().mkpath(TempPath(QStringLiteral("in")));
            QFile::copy(MakeClip(clip), path);
            paths << path;
        }
        CommonLib->AddSourceFiles(List(), paths);
        ASSERT_EQ(Rows(), 2);
    }

    // Asks the main window to close once the encoder runs and has reported.
    void CloseWhileEncoding(bool answer)
    {
        FakePlatform().YesNoAnswers.push_back(answer);
        auto *timer = new QTimer(m_main.get());
        timer->setInterval(0);
        QObject::connect(timer, &QTimer::timeout, m_main.get(), [this, timer] {
            if (CustomProc->FileIndex != 0 || CustomProc->RefreshCount < 1 || EncodersRunningFrom(AppFolder()) == 0)
                return;
            timer->stop();
            m_closeAccepted = m_main->close();
        });
        timer->start();
    }

    QString m_out;
    bool m_closeAccepted = false;
};

TEST_F(CloseDuringBatchTest, YesStopsTheBatchAndEndsTheProgram)
{
    AddFiles({QStringLiteral("long.avi"), 240.0, true, false});
    CloseWhileEncoding(true);
    QTimer::singleShot(0, m_main.get(), [this] { m_main->btnConvertClick(); });
    // A generous bound: the program must end long before it.
    QTimer::singleShot(120000, [] { QCoreApplication::exit(2); });
    const int exitCode = QCoreApplication::exec();

    EXPECT_EQ(exitCode, 0);
    EXPECT_TRUE(m_closeAccepted);
    EXPECT_EQ(FakePlatform().Questions, QStringList{QStringLiteral("Are you sure to stop processing ?")});
    EXPECT_FALSE(m_main->isVisible());
    EXPECT_FALSE(m_converting->isVisible());
    EXPECT_FALSE(m_main->BatchRunning());
    EXPECT_EQ(EncodersRunningFrom(AppFolder()), 0);
    // The file cut short is removed; the next one was never started.
    EXPECT_EQ(QDir(m_out).entryList(QDir::Files), QStringList());
}

TEST_F(CloseDuringBatchTest, NoKeepsTheWindowAndTheBatch)
{
    AddFiles({QStringLiteral("long.avi"), 240.0, true, false});
    CloseWhileEncoding(false);
    m_main->btnConvertClick();

    EXPECT_FALSE(m_closeAccepted);
    EXPECT_EQ(FakePlatform().Questions, QStringList{QStringLiteral("Are you sure to stop processing ?")});
    EXPECT_TRUE(m_main->isVisible());
    EXPECT_TRUE(m_main->isEnabled());
    EXPECT_NEAR(AnalyseAudio(m_out + QStringLiteral("/one.mp3")).DecodedSeconds, 240.0, 0.1);
    EXPECT_NEAR(AnalyseAudio(m_out + QStringLiteral("/two.mp3")).DecodedSeconds, 2.0, 0.1);
}

TEST_F(CloseDuringBatchTest, WithoutABatchTheWindowClosesWithoutAsking)
{
    EXPECT_TRUE(m_main->close());
    EXPECT_TRUE(FakePlatform().Questions.isEmpty());
}

} // namespace
