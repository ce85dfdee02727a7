#include "ui/qt/file_manager_page.h"

#include <QButtonGroup>
#include <QDesktopServices>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLabel>
#include <QUrl>
#include <cstdio>

#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

namespace {
QString Q(const std::string& text) { return QString::fromStdString(text); }
}  // namespace

FileManagerPageView::FileManagerPageView(WindowServices& services, QWidget* parent)
    : QWidget(parent), model_(services.folders) {
  const app::Texts& t = services.texts;
  auto* title = new QLabel(Q(t.txtFileManagerTitle), this);
  QFont bold = title->font();
  bold.setBold(true);
  title->setFont(bold);
  title->setGeometry(4, 0, 340, 20);
  auto* hint = new QLabel(Q(t.txtFileManagerHint), this);
  hint->setWordWrap(true);
  hint->setGeometry(4, 22, 340, 34);

  list_ = new QListWidget(this);
  list_->setGeometry(4, 60, 290, 210);
  add_ = new QPushButton(QStringLiteral("+"), this);
  add_->setGeometry(302, 60, 34, 30);
  remove_ = new QPushButton(QStringLiteral("-"), this);
  remove_->setGeometry(302, 96, 34, 30);

  auto* access = new QLabel(Q(services.windowTexts.folderAccess), this);
  access->setGeometry(4, 280, 90, 22);
  readOnly_ = new QRadioButton(Q(t.txtReadOnly), this);
  readWrite_ = new QRadioButton(Q(t.txtReadWrite), this);
  readOnly_->setGeometry(96, 280, 110, 22);
  readWrite_->setGeometry(206, 280, 140, 22);
  accessGroup_ = new QButtonGroup(this);
  accessGroup_->addButton(readOnly_);
  accessGroup_->addButton(readWrite_);

  chooser_ = [this, title = Q(t.txtSelectShareFolder)]() -> std::optional<QString> {
    QString folder = QFileDialog::getExistingDirectory(window(), title, QString(),
                                                       QFileDialog::ShowDirsOnly);
    if (folder.isEmpty()) return std::nullopt;
    return folder;
  };
  opener_ = [](const QString& local) { return QDesktopServices::openUrl(QUrl::fromLocalFile(local)); };

  connect(add_, &QPushButton::clicked, this, [this] {
    std::optional<QString> chosen = chooser_();
    std::optional<std::string> path;
    if (chosen) path = ComputerPathOfLocal(chosen->toStdString());
    model_.Add(path);
    Reload(path ? list_->count() : list_->currentRow());
  });
  connect(remove_, &QPushButton::clicked, this, [this] {
    int removed = model_.Remove(list_->currentRow());
    Reload(removed < 0 ? -1 : std::min(removed, list_->count() - 2));
  });
  connect(list_, &QListWidget::itemDoubleClicked, this,
          [this](QListWidgetItem* item) { OpenEntry(list_->row(item)); });
  connect(list_, &QListWidget::currentRowChanged, this, [this] { ShowAccess(); });
  connect(readOnly_, &QRadioButton::clicked, this, [this] { model_.SetReadOnly(list_->currentRow(), true); });
  connect(readWrite_, &QRadioButton::clicked, this,
          [this] { model_.SetReadOnly(list_->currentRow(), false); });
  Reload(-1);
}

void FileManagerPageView::Reload(int selectRow) {
  list_->clear();
  std::vector<std::string> names = model_.DisplayNames();
  for (size_t i = 0; i < names.size(); ++i) {
    auto* item = new QListWidgetItem(Q(names[i]), list_);
    item->setToolTip(Q(model_.PathAt(static_cast<int>(i)).value_or("")));
  }
  list_->setCurrentRow(selectRow < list_->count() ? selectRow : -1);
  ShowAccess();
}

void FileManagerPageView::ShowAccess() {
  std::optional<bool> readOnly = model_.ReadOnlyAt(list_->currentRow());
  readOnly_->setEnabled(readOnly.has_value());
  readWrite_->setEnabled(readOnly.has_value());
  // An exclusive group cannot show "neither", which is right while nothing is selected.
  accessGroup_->setExclusive(false);
  readOnly_->setChecked(readOnly.value_or(false));
  readWrite_->setChecked(readOnly.has_value() && !*readOnly);
  accessGroup_->setExclusive(true);
}

void FileManagerPageView::OpenEntry(int row) {
  std::optional<std::string> path = model_.PathAt(row);
  if (!path) return;
  std::optional<std::string> local = LocalPathOfComputer(*path);
  if (!local || !opener_(Q(*local)))
    std::fprintf(stderr, "vantaro: cannot open the folder %s\n", path->c_str());
}

void FileManagerPageView::keyPressEvent(QKeyEvent* event) {
  // Enter and Escape stay on the page.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter || event->key() == Qt::Key_Escape) {
    event->accept();
    return;
  }
  QWidget::keyPressEvent(event);
}

}  // namespace vantaro::ui::qt
