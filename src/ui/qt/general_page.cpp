#include "ui/qt/general_page.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <cstdio>

#include "ui/qt/pictures.h"

namespace vantaro::ui::qt {

namespace {

QString Q(const std::string& text) { return QString::fromStdString(text); }

QLabel* Hint(const std::string& text, QWidget* parent) {
  auto* label = new QLabel(Q(text), parent);
  label->setWordWrap(true);
  QPalette p = label->palette();
  p.setColor(QPalette::WindowText, palette::kMuted);
  label->setPalette(p);
  return label;
}

QCheckBox* Heading(const std::string& text, QWidget* parent) {
  auto* box = new QCheckBox(Q(text), parent);
  QFont f = box->font();
  f.setBold(true);
  box->setFont(f);
  return box;
}

QLabel* Tick(QWidget* parent) {
  auto* tick = new QLabel(parent);
  tick->setFixedSize(20, 20);
  tick->setPixmap(TickPicture(20, parent->devicePixelRatioF()));
  tick->setVisible(false);
  return tick;
}

}  // namespace

GeneralPageView::GeneralPageView(WindowServices& services, int width,
                                 std::function<void()> onSecurityChanged, QWidget* parent)
    : QWidget(parent),
      services_(services),
      model_(services.general),
      onSecurityChanged_(std::move(onSecurityChanged)) {
  const app::Texts& t = services.texts;
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(4, 8, 12, 12);
  column->setSpacing(6);

  startup_ = Heading(t.txtStartupLogin, this);
  column->addWidget(startup_);
  column->addWidget(Hint(t.txtStartupLoginHint, this));

  auto* portRow = new QHBoxLayout;
  portRow->addWidget(new QLabel(Q(t.txtPortNumber), this));
  port_ = new QLineEdit(this);
  port_->setFixedWidth(70);
  portRow->addWidget(port_);
  apply_ = new QPushButton(Q(t.txtApply), this);
  default_ = new QPushButton(Q(t.txtDefault), this);
  portRow->addWidget(apply_);
  portRow->addWidget(default_);
  portRow->addStretch();
  column->addSpacing(6);
  column->addLayout(portRow);
  column->addWidget(Hint(t.txtPortHint, this));

  column->addSpacing(10);
  security_ = Heading(t.txtSecurityLogin, this);
  column->addWidget(security_);
  column->addWidget(Hint(t.txtSecurityLoginHint, this));
  auto* codeGrid = new QGridLayout;
  code_ = new QLineEdit(this);
  confirm_ = new QLineEdit(this);
  for (QLineEdit* box : {code_, confirm_}) {
    box->setEchoMode(QLineEdit::Password);
    box->setFixedWidth(130);
  }
  codeTick_ = Tick(this);
  confirmTick_ = Tick(this);
  codeGrid->addWidget(new QLabel(Q(t.txtSecurityCode), this), 0, 0);
  codeGrid->addWidget(code_, 0, 1);
  codeGrid->addWidget(codeTick_, 0, 2);
  codeGrid->addWidget(new QLabel(Q(t.txtSecurityCodeConfirm), this), 1, 0);
  codeGrid->addWidget(confirm_, 1, 1);
  codeGrid->addWidget(confirmTick_, 1, 2);
  codeGrid->setColumnStretch(3, 1);
  column->addLayout(codeGrid);

  column->addSpacing(10);
  auto* power = new QLabel(Q(t.txtPowerManagement), this);
  QFont bold = power->font();
  bold.setBold(true);
  power->setFont(bold);
  column->addWidget(power);
  column->addWidget(Hint(t.txtPowerHint, this));
  energy_ = new QPushButton(Q(t.txtEnergySaver), this);
  auto* energyRow = new QHBoxLayout;
  energyRow->addWidget(energy_);
  energyRow->addStretch();
  column->addLayout(energyRow);

  // The page's full height in this language, for the Settings page's scroll range.
  setFixedWidth(width);
  setFixedHeight(heightForWidth(width) > 0 ? heightForWidth(width) : sizeHint().height());

  GeneralPageModel::InitialView view = model_.Init();
  startup_->setChecked(view.autoLogin);
  port_->setText(Q(view.portText));
  security_->setChecked(view.securityLogin);
  code_->setEnabled(model_.codeBoxesEnabled());
  confirm_->setEnabled(model_.codeBoxesEnabled());
  // Connected after the initial values, except the two code boxes: setting them is reported as
  // typing is, which stores the same code again.
  connect(code_, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_.OnCodeChanged(text.toStdString());
    UpdateTicks();
  });
  connect(confirm_, &QLineEdit::textChanged, this, [this](const QString& text) {
    model_.OnConfirmChanged(text.toStdString());
    UpdateTicks();
    onSecurityChanged_();
  });
  if (!view.code.empty()) {
    code_->setText(Q(view.code));
    confirm_->setText(Q(view.code));
  }
  connect(startup_, &QCheckBox::clicked, this, [this](bool checked) { model_.OnStartupLogin(checked); });
  connect(security_, &QCheckBox::clicked, this, [this](bool checked) {
    model_.OnSecurityLogin(checked);
    code_->setEnabled(model_.codeBoxesEnabled());
    confirm_->setEnabled(model_.codeBoxesEnabled());
    onSecurityChanged_();
  });
  connect(apply_, &QPushButton::clicked, this, [this] { model_.OnApply(port_->text().toStdString()); });
  connect(default_, &QPushButton::clicked, this, [this] { port_->setText(Q(model_.OnDefault())); });
  connect(energy_, &QPushButton::clicked, this, [this] {
    if (!services_.openPowerSettings || !services_.openPowerSettings())
      std::fprintf(stderr, "vantaro: no program found to open the power settings\n");
  });
}

void GeneralPageView::UpdateTicks() {
  codeTick_->setVisible(model_.codeTickShown());
  confirmTick_->setVisible(model_.confirmTickShown());
}

}  // namespace vantaro::ui::qt
