#include "ui/TakeSheetModel.h"

#include "takes/TakeSheet.h"

#include <QFont>
#include <QLocale>

#include <algorithm>
#include <climits>

namespace quorvel {

namespace {

bool sameShown(const TakeEntry& a, const TakeEntry& b)
{
    return a.take == b.take && a.piece == b.piece && a.project == b.project && a.daw == b.daw &&
           a.started == b.started && a.ended == b.ended && a.mark == b.mark && a.note == b.note &&
           a.folder == b.folder && a.files == b.files && a.projectPath == b.projectPath;
}

} // namespace

TakeSheetModel::TakeSheetModel(TakeSheet& sheet, QObject* parent)
    : QAbstractTableModel(parent), m_sheet(sheet)
{
}

void TakeSheetModel::setProject(const std::optional<QString>& project)
{
    if (project == m_project)
        return;
    m_project = project;
    readAll();
}

void TakeSheetModel::readAll()
{
    beginResetModel();
    m_total = m_sheet.count();
    m_entries = m_sheet.entries(m_project);
    endResetModel();
}

void TakeSheetModel::reload()
{
    // A change touches only the newest passes: one begins, gains files and ends, and marks and
    // notes set here are shown already. So while the sheet only grows, the passes it gained and
    // a few before them are read, not all ten thousand; a sheet that shrank (a clear) is read
    // whole.
    const qint64 previous = m_total;
    const qint64 total = m_sheet.count();
    if (!m_entries.empty() && total >= previous) {
        const qint64 asked = std::min<qint64>(total - previous + recentRows, INT_MAX);
        m_total = total;
        if (mergeNewest(m_sheet.entries(m_project, static_cast<int>(asked)),
                        static_cast<size_t>(asked)))
            return;
    }
    readAll();
}

// fresh: the newest entries, at most asked of them. It must reach the rows shown (new passes,
// then the first rows shown in their order), or else be every entry there is.
bool TakeSheetModel::mergeNewest(std::vector<TakeEntry> fresh, size_t asked)
{
    const qint64 newestShown = m_entries.front().id;
    const size_t added = static_cast<size_t>(
        std::find_if(fresh.begin(), fresh.end(),
                     [&](const TakeEntry& entry) { return entry.id <= newestShown; }) -
        fresh.begin());
    const size_t overlap = fresh.size() - added;
    if (overlap == 0 || overlap > m_entries.size() ||
        (fresh.size() < asked && overlap != m_entries.size()))
        return false;
    for (size_t i = 0; i < overlap; ++i) {
        if (fresh[added + i].id != m_entries[i].id)
            return false;
    }

    if (added > 0) {
        beginInsertRows({}, 0, static_cast<int>(added - 1));
        m_entries.insert(m_entries.begin(), std::make_move_iterator(fresh.begin()),
                         std::make_move_iterator(fresh.begin() + static_cast<ptrdiff_t>(added)));
        endInsertRows();
    }
    // Only rows that changed are announced: the pass being recorded changes on every scan, and
    // that should repaint its own row and nothing else.
    for (size_t row = added; row < added + overlap; ++row) {
        if (sameShown(m_entries[row], fresh[row]))
            continue;
        m_entries[row] = std::move(fresh[row]);
        Q_EMIT dataChanged(index(static_cast<int>(row), 0),
                           index(static_cast<int>(row), columns - 1));
    }
    return true;
}

QString TakeSheetModel::lengthText(const std::optional<qint64>& lengthMs)
{
    if (!lengthMs)
        return {};
    const qint64 seconds = *lengthMs / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

QString TakeSheetModel::startedText(const QDateTime& started)
{
    return QLocale().toString(started.toLocalTime(), QLocale::ShortFormat);
}

QString TakeSheetModel::markChoiceText(const QString& mark)
{
    return mark.isEmpty() ? QStringLiteral("\u2014") : mark;
}

int TakeSheetModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_entries.size());
}

int TakeSheetModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns;
}

QVariant TakeSheetModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const TakeEntry& entry = m_entries[static_cast<size_t>(index.row())];
    const auto column = static_cast<Column>(index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case Column::take:
            return entry.take;
        case Column::piece:
            return entry.piece;
        case Column::project:
            return entry.project;
        case Column::daw:
            return entry.daw;
        case Column::started:
            return startedText(entry.started);
        case Column::length:
            return lengthText(entry.lengthMs());
        case Column::mark:
            return entry.mark;
        case Column::note:
            return entry.note;
        }
        break;
    case Qt::ToolTipRole:
        if (column == Column::note && !entry.note.isEmpty())
            return entry.note;
        if (column == Column::take && !entry.files.isEmpty())
            return entry.files.join(QLatin1Char('\n'));
        if (column == Column::project && !entry.projectPath.isEmpty())
            return entry.projectPath;
        break;
    case Qt::TextAlignmentRole:
        if (column == Column::length)
            return static_cast<int>(Qt::AlignCenter);
        break;
    case Qt::FontRole:
        if (column == Column::take) {
            QFont bold;
            bold.setBold(true);
            return bold;
        }
        break;
    default:
        break;
    }
    return {};
}

QVariant TakeSheetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::TextAlignmentRole && section == static_cast<int>(Column::length))
        return static_cast<int>(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    switch (static_cast<Column>(section)) {
    case Column::take:
        return QStringLiteral("Take");
    case Column::piece:
        return QStringLiteral("Piece");
    case Column::project:
        return QStringLiteral("Project");
    case Column::daw:
        return QStringLiteral("DAW");
    case Column::started:
        return QStringLiteral("Started");
    case Column::length:
        return QStringLiteral("Length");
    case Column::mark:
        return QStringLiteral("Mark");
    case Column::note:
        return QStringLiteral("Note");
    }
    return {};
}

Qt::ItemFlags TakeSheetModel::flags(const QModelIndex& index) const
{
    Qt::ItemFlags flags = QAbstractTableModel::flags(index);
    const auto column = static_cast<Column>(index.column());
    if (index.isValid() && (column == Column::mark || column == Column::note))
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool TakeSheetModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (!index.isValid() || index.row() >= rowCount() || role != Qt::EditRole)
        return false;
    TakeEntry& entry = m_entries[static_cast<size_t>(index.row())];
    const QString text = value.toString();
    switch (static_cast<Column>(index.column())) {
    case Column::mark:
        if (text == entry.mark || !TakeMarks::all().contains(text))
            return false;
        entry.mark = text;
        m_sheet.setMark(entry.id, text);
        break;
    case Column::note:
        if (text == entry.note)
            return false;
        entry.note = text;
        m_sheet.setNote(entry.id, text);
        break;
    default:
        return false;
    }
    // Shown at once; the sheet's own notice after the write then finds nothing to change.
    Q_EMIT dataChanged(index, index);
    return true;
}

} // namespace quorvel
