#include "ui/TakeSheetWindow.h"

#include "takes/TakeSheet.h"
#include "takes/TakeSheetText.h"
#include "ui/TakeSheetModel.h"

#include <QComboBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QStandardPaths>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <unordered_map>

namespace quorvel {

namespace {

using Column = TakeSheetModel::Column;

constexpr const char* filledProperty = "quorvelFilled";
constexpr const char* chosenProperty = "quorvelChosen";

// Marks are chosen from their fixed list, which commits as soon as a choice is made; notes are
// typed in a line. An editor is filled from the model once only: the pass being recorded changes
// on every scan, and a refill would throw away what the user is typing.
class TakeSheetDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override
    {
        if (index.column() != static_cast<int>(Column::mark))
            return QStyledItemDelegate::createEditor(parent, option, index);
        auto* list = new QComboBox(parent);
        for (const QString& mark : TakeMarks::all())
            list->addItem(TakeSheetModel::markChoiceText(mark), mark);
        auto* self = const_cast<TakeSheetDelegate*>(this);
        connect(list, &QComboBox::activated, self, [self, list] {
            list->setProperty(chosenProperty, true);
            Q_EMIT self->commitData(list);
            Q_EMIT self->closeEditor(list);
        });
        return list;
    }

    void setEditorData(QWidget* editor, const QModelIndex& index) const override
    {
        if (editor->property(filledProperty).toBool())
            return;
        editor->setProperty(filledProperty, true);
        if (auto* list = qobject_cast<QComboBox*>(editor)) {
            list->setCurrentIndex(std::max(0, list->findData(index.data(Qt::EditRole))));
            // One click to the list rather than two: the cell becomes the list already open, once
            // shown. Closing an editor delivers posted events, this among them: a list already
            // chosen from and closing must not open again.
            QTimer::singleShot(0, list, [list] {
                if (list->isVisible() && !list->property(chosenProperty).toBool())
                    list->showPopup();
            });
            return;
        }
        QStyledItemDelegate::setEditorData(editor, index);
    }

    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override
    {
        if (auto* list = qobject_cast<QComboBox*>(editor)) {
            model->setData(index, list->currentData(), Qt::EditRole);
            return;
        }
        QStyledItemDelegate::setModelData(editor, model, index);
    }
};

// A file name for the export: the project's name where one is shown, without the characters file
// systems reserve.
QString suggestedFileName(const std::optional<QString>& project)
{
    if (!project || project->isEmpty())
        return QStringLiteral("Take Sheet.csv");
    QString name = *project;
    for (const QChar reserved : QStringLiteral("/\\:*?\"<>|"))
        name.replace(reserved, QLatin1Char('-'));
    return name + QStringLiteral(" Take Sheet.csv");
}

} // namespace

TakeSheetWindow::TakeSheetWindow(TakeSheet& sheet, QWidget* parent)
    : QWidget(parent, Qt::Window), m_sheet(sheet)
{
    setWindowTitle(QStringLiteral("Take Sheet"));
    setExportPathChooser({});

    m_projectFilter = new QComboBox(this);
    m_projectFilter->setObjectName(QStringLiteral("projectFilter"));
    m_projectFilter->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    m_projectFilter->setMinimumContentsLength(16);
    connect(m_projectFilter, &QComboBox::activated, this, &TakeSheetWindow::chooseProject);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Project"), this));
    top->addWidget(m_projectFilter);
    top->addStretch(1);

    m_model = new TakeSheetModel(m_sheet, this);
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("takes"));
    m_table->setModel(m_model);
    m_table->setItemDelegate(new TakeSheetDelegate(m_table));
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked |
                             QAbstractItemView::EditKeyPressed);
    m_table->setAlternatingRowColors(true);
    m_table->setShowGrid(false);
    m_table->setWordWrap(false);
    m_table->setCornerButtonEnabled(false);
    m_table->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    // Every row one line high and every width set here: nothing is measured from the entries,
    // so ten thousand of them open as fast as ten.
    const QFontMetrics metrics(m_table->font());
    QHeaderView* rows = m_table->verticalHeader();
    rows->hide();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(metrics.height() + 10);
    QHeaderView* columns = m_table->horizontalHeader();
    columns->setHighlightSections(false);
    columns->setStretchLastSection(true);
    columns->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // The note, the one free text, gets what the others leave.
    const auto fit = [&](const QString& sample) { return metrics.horizontalAdvance(sample) + 20; };
    const QDateTime lateInTheYear(QDate(2000, 12, 28), QTime(23, 58, 58));
    const std::pair<Column, int> widths[] = {
        {Column::take, fit(QStringLiteral("Take"))},
        {Column::piece, fit(QStringLiteral("A piece's name"))},
        {Column::project, fit(QStringLiteral("A project's name"))},
        {Column::daw, fit(QStringLiteral("Ableton Live"))},
        {Column::started, fit(TakeSheetModel::startedText(lateInTheYear))},
        {Column::length, fit(QStringLiteral("Length"))},
        // The list's arrow takes room of its own.
        {Column::mark, fit(QStringLiteral("false start")) + 24},
    };
    for (const auto& [column, width] : widths)
        columns->resizeSection(static_cast<int>(column), width);

    m_count = new QLabel(this);
    m_count->setObjectName(QStringLiteral("takeCount"));
    m_export = new QPushButton(QStringLiteral("Export CSV…"), this);
    m_export->setObjectName(QStringLiteral("exportCsv"));
    m_export->setAutoDefault(false);
    connect(m_export, &QPushButton::clicked, this, &TakeSheetWindow::exportCsv);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_count, 1);
    bottom->addWidget(m_export);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(8);
    layout->addLayout(top);
    layout->addWidget(m_table, 1);
    layout->addLayout(bottom);
    resize(defaultSize);

    connect(&m_sheet, &TakeSheet::changed, this, &TakeSheetWindow::onSheetChanged);
    refresh();
}

TakeSheetWindow::~TakeSheetWindow() = default;

void TakeSheetWindow::setExportPathChooser(ExportPathChooser chooser)
{
    if (chooser) {
        m_exportPathChooser = std::move(chooser);
        return;
    }
    m_exportPathChooser = [this](const QString& suggestedName) -> std::optional<QString> {
        QFileDialog dialog(this, QStringLiteral("Export Take Sheet"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setNameFilter(QStringLiteral("CSV files (*.csv)"));
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        dialog.setLabelText(QFileDialog::Accept, QStringLiteral("Export"));
        dialog.setDirectory(QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation));
        dialog.selectFile(suggestedName);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return std::nullopt;
        return dialog.selectedFiles().constFirst();
    };
}

void TakeSheetWindow::showEvent(QShowEvent* event)
{
    if (m_stale)
        refresh();
    QWidget::showEvent(event);
}

void TakeSheetWindow::onSheetChanged()
{
    // A hidden window reads nothing; the next show catches up. A burst of writes (a pass ending
    // while another begins) is read once.
    if (!isVisible()) {
        m_stale = true;
        return;
    }
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, &TakeSheetWindow::refresh);
}

void TakeSheetWindow::refresh()
{
    m_refreshQueued = false;
    m_stale = false;
    refreshProjects();

    // What the user was looking at, by entry: the view keeps it through rows inserted above, but
    // not through a reset. Scrolled to the very top, the view stays there to show new passes.
    const std::vector<TakeEntry>& shown = m_model->entries();
    const auto idAt = [&](int row) { return shown[static_cast<size_t>(row)].id; };
    std::optional<qint64> topId;
    if (m_table->verticalScrollBar()->value() > 0 && m_table->rowAt(0) >= 0)
        topId = idAt(m_table->rowAt(0));
    std::vector<qint64> selectedIds;
    for (const QModelIndex& row : m_table->selectionModel()->selectedRows())
        selectedIds.push_back(idAt(row.row()));
    const QModelIndex current = m_table->currentIndex();
    const std::optional<qint64> currentId =
        current.isValid() ? std::optional(idAt(current.row())) : std::nullopt;

    m_model->reload();

    const bool selectionLost = !selectedIds.empty() && !m_table->selectionModel()->hasSelection();
    std::unordered_map<qint64, int> rowOf;
    if (topId || selectionLost) {
        for (size_t row = 0; row < shown.size(); ++row)
            rowOf.emplace(shown[row].id, static_cast<int>(row));
    }
    if (selectionLost) {
        QItemSelection selection;
        for (const qint64 id : selectedIds) {
            if (const auto found = rowOf.find(id); found != rowOf.end())
                selection.select(m_model->index(found->second, 0),
                                 m_model->index(found->second, TakeSheetModel::columns - 1));
        }
        m_table->selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
        if (const auto found = currentId ? rowOf.find(*currentId) : rowOf.end();
            found != rowOf.end())
            m_table->selectionModel()->setCurrentIndex(
                m_model->index(found->second, current.column()), QItemSelectionModel::NoUpdate);
    }
    if (topId) {
        if (const auto found = rowOf.find(*topId); found != rowOf.end())
            m_table->scrollTo(m_model->index(found->second, 0), QAbstractItemView::PositionAtTop);
    }
    refreshCount();
}

void TakeSheetWindow::refreshProjects()
{
    QStringList items{QStringLiteral("All projects")};
    const QStringList projects = m_sheet.projects();
    for (const QString& project : projects)
        items << (project.isEmpty() ? QStringLiteral("No project") : project);
    QStringList shownItems;
    for (int i = 0; i < m_projectFilter->count(); ++i)
        shownItems << m_projectFilter->itemText(i);
    if (items == shownItems)
        return;

    const QSignalBlocker blocker(m_projectFilter);
    m_projectFilter->clear();
    m_projectFilter->addItem(items.first());
    for (int i = 0; i < projects.size(); ++i)
        m_projectFilter->addItem(items[i + 1], projects[i]);
    // The chosen project stays chosen while it has entries; once it has none (the sheet was
    // cleared), every project's are shown.
    const std::optional<QString> chosen = m_model->project();
    const int index = chosen ? m_projectFilter->findData(*chosen) : 0;
    m_projectFilter->setCurrentIndex(std::max(index, 0));
    if (index < 0)
        m_model->setProject(std::nullopt);
}

void TakeSheetWindow::refreshCount()
{
    const size_t shown = m_model->entries().size();
    if (shown == 0 && !m_model->project()) {
        m_count->setText(QStringLiteral("No takes yet. Every recording pass is written here while "
                                        "\u201cKeep a take sheet\u201d is on in Settings."));
    } else {
        m_count->setText(shown == 1 ? QStringLiteral("1 take")
                                    : QStringLiteral("%1 takes")
                                          .arg(QLocale().toString(static_cast<qulonglong>(shown))));
    }
    m_export->setEnabled(shown > 0);
}

void TakeSheetWindow::chooseProject(int index)
{
    const QVariant project = m_projectFilter->itemData(index);
    m_model->setProject(project.isValid() ? std::optional(project.toString()) : std::nullopt);
    m_table->scrollToTop();
    refreshCount();
}

void TakeSheetWindow::exportCsv()
{
    const auto path = m_exportPathChooser(suggestedFileName(m_model->project()));
    if (!path)
        return;
    QString error;
    if (!TakeSheetText::saveCsv(*path, m_model->entries(), &error))
        showExportError(error);
}

void TakeSheetWindow::showExportError(const QString& error)
{
    auto* box = new QMessageBox(QMessageBox::Warning, QStringLiteral("Take Sheet"),
                                QStringLiteral("The take sheet could not be exported."),
                                QMessageBox::Ok, this);
    box->setInformativeText(error);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

} // namespace quorvel
