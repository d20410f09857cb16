#pragma once
// NumberListView: the report list that shows a NumberList in the query window, and the drop
// target attached to it. Header visible with columns 50, 80, 80, 80 pixels wide, all
// left-aligned; one row selected at a time, its first cell highlighted only (a click on any cell
// of a row selects that row's first cell); no grid, no editing, no sorting, header clicks do
// nothing.
//
// Files dropped over the list (not elsewhere in the window) raise one PathTextDropped per drop:
// the full path of the file when one file is dropped, all paths each followed by CR LF when
// several are. Dropped text or web addresses are ignored.

#include <QTreeView>

#include <string>

namespace pelmora::checking {

class NumberListView : public QTreeView {
  Q_OBJECT
 public:
  explicit NumberListView(QWidget* parent = nullptr);

  void setModel(QAbstractItemModel* model) override;

  // The path text of a drop carrying `mime` as a QString; empty when it holds no local files.
  static QString DroppedPathText(const QMimeData* mime);

 signals:
  // The dropped path text as GBK bytes.
  void PathTextDropped(const std::string& pathTextGbk);

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;
};

}  // namespace pelmora::checking
