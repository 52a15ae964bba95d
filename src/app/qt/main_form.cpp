#include "app/qt/main_form.h"

#include <QApplication>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QScreen>
#include <QWindow>

namespace velmorra {

namespace {

QString Caption(TFormControl control) {
  return QString::fromUtf8(FormControlLayout(control).Caption);
}

QFont WindowFont() {
  QFont font;
  if (QFontDatabase::families().contains(QString::fromUtf8(kFormFontFamily))) {
    font.setFamily(QString::fromUtf8(kFormFontFamily));
  } else {
    font.setFamily(QStringLiteral("Sans Serif"));
    font.setStyleHint(QFont::SansSerif);
  }
  font.setPointSize(kFormFontPoints);
  return font;
}

void Place(QWidget* widget, TFormControl control) {
  const TFormControlLayout& layout = FormControlLayout(control);
  widget->setGeometry(layout.Left, layout.Top, layout.Width, layout.Height);
  widget->setVisible(layout.ShownAtStart);
}

// A label is as wide as its text, whatever its layout's width.
QLabel* MakeLabel(QWidget* parent, TFormControl control) {
  auto* label = new QLabel(Caption(control), parent);
  const TFormControlLayout& layout = FormControlLayout(control);
  label->move(layout.Left, layout.Top);
  label->adjustSize();
  return label;
}

QPushButton* MakeButton(QWidget* parent, TFormControl control) {
  auto* button = new QPushButton(Caption(control), parent);
  Place(button, control);
  return button;
}

QComboBox* MakeDropDownList(QWidget* parent, TFormControl control) {
  auto* combo = new QComboBox(parent);
  combo->setEditable(false);
  Place(combo, control);
  return combo;
}

}  // namespace

TfrmMainWidget::TfrmMainWidget(const TWindowServices& services)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint |
                           Qt::MSWindowsFixedSizeDialogHint) {
  setWindowTitle(QString::fromUtf8(kFormCaption));
  setFixedSize(kFormClientWidth, kFormClientHeight);
  setFont(WindowFont());
  QPalette face = palette();
  face.setColor(QPalette::Window, face.color(QPalette::Button));
  setPalette(face);
  setAutoFillBackground(true);
  CreateControls();

  own_runner_ = std::make_unique<TWorkThread>();
  own_messages_ = std::make_unique<TQtMessageBoxes>(this);
  own_open_dialog_ = std::make_unique<TQtOpenDialog>(this);
  stores_ = std::make_unique<TQtItemComboBox>(cmboxStores);
  store_edit_ = std::make_unique<TQtEditBox>(txtStore);
  open_button_ = std::make_unique<TQtVisibility>(cmdOpen);
  phones_ = std::make_unique<TQtPhoneList>(cmboxMobile);
  IOpenDialog& open_dialog = services.OpenDialog ? *services.OpenDialog : *own_open_dialog_;
  form_ = std::make_unique<TfrmMain>(
      TfrmMainControls{*stores_, *store_edit_, *open_button_, *phones_, open_dialog},
      WindowLogicServices(services, *this, *own_messages_, *own_runner_, true));

  // The drop target is in place before the creation handler runs, as when loading has finished.
  drop_target_ = std::make_unique<TQtDropTarget>(this, form_->JvDragDrop1);
  form_->JvDragDrop1.SetDropTarget(drop_target_.get());
  form_->JvDragDrop1.Loaded();

  ConnectHandlers();
  qApp->installEventFilter(this);
  form_->FormCreate();
}

TfrmMainWidget::~TfrmMainWidget() {
  qApp->removeEventFilter(this);
  form_->FormDestroy();
  form_.reset();
  if (working_)  // closed during the work, whose end is not waited for
    QApplication::restoreOverrideCursor();
}

void TfrmMainWidget::CreateControls() {
  cmdConvert = Remember(TFormControl::cmdConvert, MakeButton(this, TFormControl::cmdConvert));
  Label3 = Remember(TFormControl::Label3, MakeLabel(this, TFormControl::Label3));
  txtStore = Remember(TFormControl::txtStore, new QLineEdit(this));
  Place(txtStore, TFormControl::txtStore);
  txtStore->setAcceptDrops(false);  // a drop on the edit box is a drop on the window
  cmdOpen = Remember(TFormControl::cmdOpen, MakeButton(this, TFormControl::cmdOpen));
  cmboxStores =
      Remember(TFormControl::cmboxStores, MakeDropDownList(this, TFormControl::cmboxStores));
  Label1 = Remember(TFormControl::Label1, MakeLabel(this, TFormControl::Label1));
  cmboxMobile =
      Remember(TFormControl::cmboxMobile, MakeDropDownList(this, TFormControl::cmboxMobile));
  Label2 = Remember(TFormControl::Label2, MakeLabel(this, TFormControl::Label2));

  QWidget* previous = nullptr;
  for (const TFormControlLayout& layout : FormControls()) {
    QWidget* control = Control(layout.Control);
    if (layout.Buddy)
      static_cast<QLabel*>(control)->setBuddy(Control(*layout.Buddy));
    if (layout.Kind == TFormControlKind::Label || layout.Kind == TFormControlKind::Notice)
      continue;
    if (previous != nullptr)
      QWidget::setTabOrder(previous, control);
    previous = control;
  }
  cmdConvert->setFocus();
}

QWidget* TfrmMainWidget::Control(TFormControl control) const {
  return controls_[static_cast<size_t>(control)];
}

void TfrmMainWidget::closeEvent(QCloseEvent* event) {
  form_->FormClose();
  QWidget::closeEvent(event);
}

void TfrmMainWidget::ShowWorkState(TWorkState state) {
  const bool idle = state == TWorkState::Idle;
  for (QWidget* control : {static_cast<QWidget*>(cmboxStores), static_cast<QWidget*>(txtStore),
                           static_cast<QWidget*>(cmdOpen), static_cast<QWidget*>(cmboxMobile)}) {
    control->setEnabled(idle);
  }
  cmdConvert->setEnabled(state != TWorkState::Converting);
  if (idle == working_) {
    working_ = !idle;
    if (working_) {
      QApplication::setOverrideCursor(Qt::BusyCursor);
    } else {
      QApplication::restoreOverrideCursor();
    }
  }
}

void TfrmMainWidget::Post(std::function<void()> task) {
  QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

void TfrmMainWidget::ShowNotice(const std::string& text, const std::string& tooltip) {
  const QString notice = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
  const int width = FormControlLayout(TFormControl::Label2).Width;
  Label2->setText(Label2->fontMetrics().elidedText(notice, Qt::ElideMiddle, width));
  Label2->setToolTip(QString::fromUtf8(tooltip.data(), static_cast<qsizetype>(tooltip.size())));
  Label2->adjustSize();
}

void TfrmMainWidget::ConnectHandlers() {
  connect(cmdConvert, &QPushButton::clicked, this, [this] { form_->cmdConvertClick(); });
  connect(cmdOpen, &QPushButton::clicked, this, [this] { form_->cmdOpenClick(); });
  // `activated` comes only from the user's choice, never from a selection the program makes.
  connect(cmboxStores, &QComboBox::activated, this, [this] { form_->cmboxStoresChange(); });
  connect(txtStore, &QLineEdit::returnPressed, this, [this] {
    char key = kEnterKey;
    form_->txtStoreKeyPress(key);
  });
}

void TfrmMainWidget::ShowCentred() {
  QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
  if (screen != nullptr) {
    move(screen->availableGeometry().center() - QPoint(width() / 2, height() / 2));
  }
  show();
}

bool TfrmMainWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::KeyPress && IsOwnWindowHandle(watched)) {
    PreviewKey(event);
  } else if (event->type() == QEvent::FocusOut && watched == txtStore) {
    ExitEditBox(static_cast<QFocusEvent*>(event)->reason());
  } else if (event->type() == QEvent::Shortcut && (watched == Label3 || watched == Label1)) {
    // A label's mnemonic moves the focus only to a target that can take it.
    const QWidget* buddy = static_cast<QLabel*>(watched)->buddy();
    if (buddy == nullptr || buddy->isHidden() || !buddy->isEnabled())
      return true;
  }
  return false;
}

// A typed key reaches the platform window once, before Qt hands it to the focused control and up
// the parents that ignore it; previewing it there sees each key once. The window's drop-down
// lists open windows of their own, whose parents are the combo boxes.
bool TfrmMainWidget::IsOwnWindowHandle(QObject* object) const {
  if (!object->isWindowType() || QApplication::activeModalWidget() != nullptr)
    return false;
  const QWidget* widget = nullptr;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    if (top->windowHandle() == static_cast<QWindow*>(object))
      widget = top;
  }
  while (widget != nullptr) {
    const QWidget* top = widget->window();
    if (top == this)
      return true;
    if (top->windowType() != Qt::Popup)
      return false;
    widget = top->parentWidget();
  }
  return false;
}

// The edit box is left when the focus moves to another control of the window. The focus also
// goes when the window is deactivated, closed or covered by a modal dialog (such as the message of
// the read that Enter started): the user has not left the box then.
void TfrmMainWidget::ExitEditBox(Qt::FocusReason reason) {
  switch (reason) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
      form_->txtStoreExit();
      break;
    default:
      break;
  }
}

void TfrmMainWidget::PreviewKey(QEvent* event) {
  auto* key_event = static_cast<QKeyEvent*>(event);
  const QString text = key_event->text();
  char key;
  if (key_event->key() == Qt::Key_Escape) {
    key = kEscapeKey;
  } else if (text.size() == 1 && text.at(0).unicode() < 128) {
    key = static_cast<char>(text.at(0).unicode());
  } else {
    return;
  }
  form_->FormKeyPress(key);
}

}  // namespace velmorra
