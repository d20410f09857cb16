#include "checking/numberlistview.h"

#include "platform/codepage.h"

#include <QDir>
#include <QDropEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMimeData>
#include <QUrl>

namespace pelmora::checking {
namespace {

constexpr int kColumnWidths[] = {50, 80, 80, 80};

// Turns every selection and current index into the first cell of its row, so a row is
// selected (and highlighted) by its first cell only, wherever it was clicked.
class FirstCellSelectionModel : public QItemSelectionModel {
 public:
  using QItemSelectionModel::QItemSelectionModel;

  void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override {
    QItemSelectionModel::setCurrentIndex(FirstCell(index), command);
  }
  void select(const QModelIndex& index, SelectionFlags command) override {
    select(QItemSelection(index, index), command);
  }
  void select(const QItemSelection& selection, SelectionFlags command) override {
    QItemSelection firstCells;
    for (const QItemSelectionRange& range : selection) {
      if (!range.isValid()) continue;
      firstCells.select(FirstCell(range.topLeft()), FirstCell(range.bottomRight()));
    }
    QItemSelectionModel::select(firstCells, command & ~(Rows | Columns));
  }

 private:
  static QModelIndex FirstCell(const QModelIndex& index) {
    return index.isValid() ? index.siblingAtColumn(0) : index;
  }
};

}  // namespace

NumberListView::NumberListView(QWidget* parent) : QTreeView(parent) {
  setRootIsDecorated(false);
  setItemsExpandable(false);
  setExpandsOnDoubleClick(false);
  setIndentation(0);
  setUniformRowHeights(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setSelectionBehavior(QAbstractItemView::SelectItems);
  setAllColumnsShowFocus(false);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setSortingEnabled(false);
  setDragEnabled(false);
  setDropIndicatorShown(false);
  viewport()->setAcceptDrops(true);

  QHeaderView* head = header();
  head->setVisible(true);
  head->setSectionsClickable(false);
  head->setSectionsMovable(false);
  head->setSortIndicatorShown(false);
  head->setStretchLastSection(false);
  head->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
}

void NumberListView::setModel(QAbstractItemModel* model) {
  QItemSelectionModel* const previous = selectionModel();
  QTreeView::setModel(model);
  if (model) {
    QItemSelectionModel* const made = selectionModel();
    setSelectionModel(new FirstCellSelectionModel(model, this));
    if (made != previous) delete made;  // made by the view just now, shared with no one
  }
  if (previous && previous->parent() == this && previous != selectionModel()) delete previous;
  for (int column = 0; column < static_cast<int>(std::size(kColumnWidths)); ++column)
    setColumnWidth(column, kColumnWidths[column]);
}

QString NumberListView::DroppedPathText(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return {};
  QStringList paths;
  for (const QUrl& url : mime->urls())
    if (url.isLocalFile()) paths << QDir::toNativeSeparators(url.toLocalFile());
  if (paths.size() == 1) return paths.front();
  QString text;
  for (const QString& path : paths) text += path + QStringLiteral("\r\n");
  return text;
}

void NumberListView::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedPathText(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void NumberListView::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedPathText(event->mimeData()).isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
}

void NumberListView::dropEvent(QDropEvent* event) {
  const QString text = DroppedPathText(event->mimeData());
  if (text.isEmpty()) {
    event->ignore();
    return;
  }
  event->acceptProposedAction();
  emit PathTextDropped(platform::QStringToGbk(text));
}

}  // namespace pelmora::checking
