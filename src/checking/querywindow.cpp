#include "checking/querywindow.h"

#include "checking/export.h"
#include "checking/import.h"
#include "checking/numberlist.h"
#include "checking/numberlistview.h"
#include "platform/codepage.h"
#include "platform/wait.h"
#include "platform/windows.h"

namespace pelmora::checking {
DropTarget::DropTarget(NumberListView* list) : QObject(list) {
  setObjectName(QStringLiteral("拖放对象1"));
  connect(list, &NumberListView::PathTextDropped, this, &DropTarget::PathTextDropped);
}

QueryWindow::QueryWindow(QuerySession session, const QString& programDirectory)
    : session_(std::move(session)),
      programDirectory_(programDirectory),
      list_(std::make_shared<NumberList>()) {
  setAttribute(Qt::WA_DeleteOnClose);
  setObjectName(QStringLiteral("QueryWindow"));
  platform::PlaceWindow(this, QStringLiteral("Pelmora"), 50, 50, 537, 510);

  超级列表框1 = new NumberListView(this);
  超级列表框1->setObjectName(QStringLiteral("超级列表框1"));
  超级列表框1->setGeometry(8, 6, 328, 472);
  超级列表框1->setModel(list_.get());
  using platform::MakeButton;
  using platform::MakeLabel;
  按钮1 = MakeButton(this, "按钮1", "\xBF\xAA\xCA\xBC\xB2\xE9\xD1\xAF", {376, 24, 128, 32});  // 开始查询
  按钮2 = MakeButton(this, "按钮2", "\xB1\xA3\xB4\xE6\xB2\xE9\xD1\xAF\xBD\xE1\xB9\xFB",
                     {379, 94, 124, 40});  // 保存查询结果
  标签2 = MakeLabel(this, "标签2", "\xCA\xA3\xD3\xE0\xB5\xE3\xCA\xFD\xA3\xBA",
                    {344, 320, 168, 40});  // 剩余点数：
  // 注：\r\n\r\n不要多次点击查询按键\r\n\r\n否则会重复扣费
  标签1 = MakeLabel(this, "标签1",
                    "\xD7\xA2\xA3\xBA\r\n\r\n\xB2\xBB\xD2\xAA\xB6\xE0\xB4\xCE\xB5\xE3\xBB\xF7"
                    "\xB2\xE9\xD1\xAF\xB0\xB4\xBC\xFC\r\n\r\n\xB7\xF1\xD4\xF2\xBB\xE1\xD6\xD8"
                    "\xB8\xB4\xBF\xDB\xB7\xD1",
                    {344, 408, 184, 64}, true);
  拖放对象1 = new DropTarget(超级列表框1);

  connect(按钮1, &QPushButton::clicked, this, &QueryWindow::RunQuery);
  connect(按钮2, &QPushButton::clicked, this, &QueryWindow::ExportResults);
  connect(拖放对象1, &DropTarget::PathTextDropped, this, &QueryWindow::ImportNumberFile);

  if (session_.router) {
    session_.router->On(service::CommandReply::QueryReply, this,
                        [this](const std::string& reply) { ApplyQueryReply(*list_, reply); });
    session_.router->On(service::NoticeReply::PointsNotice, this, [this](const std::string& reply) {
      标签2->setText(platform::DisplayText(reply));
    });
  }
}

QueryWindow::~QueryWindow() = default;

void QueryWindow::closeEvent(QCloseEvent* event) {
  closing_ = true;
  QWidget::closeEvent(event);
}

void QueryWindow::RunQuery() {
  ReplyRowIndex = 0;
  const int n = list_->RowCount();
  // The list outlives this window while the run holds it; the window may be closed during
  // any of the waits, and then the run ends quietly.
  const std::shared_ptr<NumberList> list = list_;
  const QuerySession session = session_;
  QPointer<QueryWindow> self(this);
  for (int i = 0; i < n; ++i) {
    SendNumberQuery(session, list->GetCell(i, 1));
    platform::WaitHandlingEvents(800);
    if (!self || self->closing_) return;
  }
}

void QueryWindow::ExportResults() { StartExport(*list_, programDirectory_); }

void QueryWindow::ImportNumberFile(const std::string& pathText) {
  checking::ImportNumberFile(*list_, pathText);
}

}  // namespace pelmora::checking
