#pragma once

#include <QSize>
#include <QWidget>

#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QTableView;

namespace quorvel {

class TakeSheet;
class TakeSheetModel;

// The take sheet in a window: every recording pass, newest first, with a mark and a note the
// engineer can set in place, a project filter and a CSV export of what is shown. It follows the
// sheet while shown and reads it again when shown after a change, keeping the selection and the
// row at the top of the view where they still exist. The sheet must outlive the window. Main
// thread only.
class TakeSheetWindow : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize defaultSize{1000, 520};

    // Asks where to save the export; suggestedName is a file name without a folder. Nothing when
    // the user cancels.
    using ExportPathChooser = std::function<std::optional<QString>(const QString& suggestedName)>;

    explicit TakeSheetWindow(TakeSheet& sheet, QWidget* parent = nullptr);
    ~TakeSheetWindow() override;

    // A save dialog unless a test replaces it.
    void setExportPathChooser(ExportPathChooser chooser);

    QTableView* table() const { return m_table; }
    TakeSheetModel* model() const { return m_model; }
    QComboBox* projectFilter() const { return m_projectFilter; }
    QPushButton* exportButton() const { return m_export; }

    // Reads the sheet again now: the projects, the entries and the count.
    void refresh();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void onSheetChanged();
    void refreshProjects();
    void refreshCount();
    void chooseProject(int index);
    void exportCsv();
    void showExportError(const QString& error);

    TakeSheet& m_sheet;
    TakeSheetModel* m_model = nullptr;
    ExportPathChooser m_exportPathChooser;
    bool m_stale = false;
    bool m_refreshQueued = false;

    QComboBox* m_projectFilter = nullptr;
    QTableView* m_table = nullptr;
    QLabel* m_count = nullptr;
    QPushButton* m_export = nullptr;
};

} // namespace quorvel
