#pragma once
// The work window: the number list, the start and save buttons, the remaining points and a
// fixed note. Opened by a successful login; closing it ends the program.

#include <QLabel>
#include <QPushButton>
#include <QWidget>
#include <memory>

#include "checking/queryrun.h"

namespace pelmora::checking {

class NumberList;
class NumberListView;

// The drop target attached to the number list: one PathTextDropped per drop of files on it.
class DropTarget : public QObject {
  Q_OBJECT
 public:
  explicit DropTarget(NumberListView* list);

 signals:
  void PathTextDropped(const std::string& pathTextGbk);
};

class QueryWindow : public QWidget {
  Q_OBJECT
 public:
  QueryWindow(QuerySession session, const QString& programDirectory);
  ~QueryWindow() override;

  // Handlers.
  void RunQuery();
  void ExportResults();
  void ImportNumberFile(const std::string& pathText);

  NumberList& numberList() { return *list_; }

  NumberListView* 超级列表框1;
  QPushButton* 按钮1;
  QPushButton* 按钮2;
  QLabel* 标签2;
  QLabel* 标签1;
  DropTarget* 拖放对象1;

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  QuerySession session_;
  bool closing_ = false;
  QString programDirectory_;
  std::shared_ptr<NumberList> list_;
};

}  // namespace pelmora::checking
