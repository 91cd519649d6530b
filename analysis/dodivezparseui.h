#pragma once
// The add-video dialog: a link is analysed (CAnalysis, driven by its process's signals), its
// video-only formats are listed with the audio rows (M4A, MP3) below them, one row is chosen
// and handed back to the caller (nCancelled, SelectedInfo) with the choices below the table;
// the output folder is shown, chosen and opened in the bottom row.
//
// While the analysis runs, a notice without buttons is shown; the analysis's end closes it
// (CloseSignal). Escape on the notice cancels the analysis: its extractor is killed and what
// it found is dropped.
//
// Several links in the field are analysed together (CBatchAnalysis) without a notice: a label
// counts those done, and the dialog stays usable, so that Cancel or Escape stops the
// extractors. Their table lists one row per video, ticked; a format rule replaces the choice
// of a format, and OK hands back every ticked video with the format the rule picks
// (vecSelected). A link that failed is listed greyed with its cause and cannot be ticked.
// A playlist's entries are listed in the same table (the one link's, or after the links'
// rows), ticked unless the site has them unavailable; each ticked one becomes a task.

#include "cmessagebox.h"
#include "analysisrun.h"
#include "batchanalysis.h"
#include "choicesrow.h"
#include "listing.h"
#include "playlist.h"
#include "subtitlerun.h"
#include "videoinfo.h"
#include "windowdrag.h"

#include <QDialog>
#include <QPoint>
#include <QString>
#include <functional>
#include <vector>

class QButtonGroup;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableWidget;

class CDodivezParseUI : public QDialog
{
    Q_OBJECT
public:
    explicit CDodivezParseUI(QDialog* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    ~CDodivezParseUI() override;

    void InitDialog();
    QTableWidget* CreateDodivezFileTable(QWidget* parent);
    void RefreshVideoTable(std::vector<_VIDEO_FILE_INFO_>& vec);

    static QString VideoDurationTransfer(QString duration);

    // Asks for a folder; returns a null text when the user cancels. Tests replace it.
    using FolderChooser = std::function<QString(QWidget* parent)>;
    FolderChooser chooseFolder;

    // Offered when an analysis failed in a way a newer extractor may mend; the notice then asks
    // whether to update now. Unset: the notice only tells.
    std::function<void()> offerExtractorUpdate;
    // Offered when an analysis failed for want of a JavaScript runtime (set only while none is
    // found); the notice then asks whether to fetch Deno.
    std::function<void()> offerRuntimeFetch;

    int nCancelled = 0;
    std::vector<_VIDEO_FILE_INFO_> vecVideoInfo;
    _VIDEO_FILE_INFO_ SelectedInfo;
    std::vector<_VIDEO_FILE_INFO_> vecSelected; // what OK hands back, one record per task
    QString QstrThumbFile;
    CWindowDrag dragState;
    CMessageBox WaitBox;
    QLineEdit* pUrlEdit = nullptr;
    QPushButton* pOkButton = nullptr;
    QString QstrDataDir;
    QTableWidget* pFormatTable = nullptr;
    QPushButton* pParseButton = nullptr;
    QLineEdit* pOutputEdit = nullptr;
    QString QstrOutputPath;
    QButtonGroup* pButtonGroup = nullptr;
    CAnalysis* pAnalysis = nullptr; // the analysis of the link, a child of the dialog
    QPushButton* pCancelButton = nullptr;
    QPushButton* pChooseButton = nullptr;
    QPushButton* pOpenButton = nullptr;
    // Several links: their table, the format rule, the count of those done, their analysis.
    QTableWidget* pBatchTable = nullptr;
    QLabel* pRuleLabel = nullptr;
    QComboBox* pRuleCombo = nullptr;
    QLabel* pProgressLabel = nullptr;
    CBatchAnalysis* pBatch = nullptr; // a child of the dialog
    // A playlist's entries follow the links' rows, a check-state item each; their buttons.
    QPushButton* pTickAllButton = nullptr;
    QPushButton* pTickNoneButton = nullptr;
    // A single link's choices beyond the format (compatible file, subtitles, a part) below
    // the format table, and the run that lists its subtitles beside the analysis.
    CChoicesRow* pChoices = nullptr;
    CSubtitleRun* pSubtitleRun = nullptr; // a child of the dialog

    // Whether the dialog lists several links rather than the formats of one.
    bool IsBatch() const;
    // The ticked videos, each with the format the rule picks and its own link.
    std::vector<_VIDEO_FILE_INFO_> BatchSelection() const;

Q_SIGNALS:
    void CloseSignal();

public Q_SLOTS:
    void btnOKSlot();
    void btnCancelSlot();
    void btnParseSlot();
    void editChangedSlot(const QString& text);
    void PDFTableItemPress(int row, int col);
    void formatModeButtonsClicked(int id);
    void btnChoosePath();
    void btnOpenFile();
    void CloseSignalSlot();
    void AnalysisFinished(const ListingResult& result);
    void reject() override;

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // A notice with the text of `key` and an OK button, over the dialog.
    void ShowNotice(const char* key);
    void ShowAnalysisError(const ExtractorError& error);
    // Lists only the video rows the compatible choice leaves; a hidden row gives up the choice.
    void ApplyRowFilter();
    // One row of the format table: its radio (id: the row) and cells that carry the record.
    void FillFormatRow(int row, const QString& format, const QString& quality,
                       const _VIDEO_FILE_INFO_& info);
    // Lays the choices out below the format table.
    void PlaceChoices();
    // A new thumbnail file name in the data folder, its folder made.
    QString NewThumbFile();

    // The view of several links (batchview.cpp).
    void CreateBatchView(QWidget* parent);
    void ShowBatchView(bool bBatch);
    void StartBatch(const QStringList& links);
    void BatchLinkAnalysed(int index);
    void FillBatchRow(int index);
    void ShowRuleSizes();
    void UpdateBatchOk();
    int RuleHeight() const;
    EntryRule Rule() const;
    bool AnyTicked() const;
    // A playlist named by the one link: its entries alone in the table of several videos.
    void ShowPlaylist(const QString& link, const PlaylistResult& playlist);
    void AddEntryRows(const QString& link, const PlaylistResult& playlist);
    void TickAll(bool bTicked);

    ListingResult m_result; // what the last analysis found
    bool m_bAnalysed = false; // the last analysis has ended
    bool m_bWaitBoxFilled = false;
    struct EntryRow
    {
        QString playlistLink;
        PlaylistEntry entry;
    };
    std::vector<EntryRow> m_entries; // the rows from m_nEntryRow on
    int m_nEntryRow = 0;
};
