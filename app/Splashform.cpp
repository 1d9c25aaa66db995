#include "app/Splashform.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSysInfo>
#include <QVBoxLayout>

#include "widgets/DialogFrame.h"
#include "widgets/Glyphs.h"

TSplashform::TSplashform(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowStaysOnTopHint) {
  setObjectName(QStringLiteral("Splashform"));
  setWindowTitle(QStringLiteral("About Jotlist"));
  QFont font(QStringLiteral("Arial"));
  font.setPixelSize(11);
  setFont(font);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(16, 16, 16, 12);
  auto* panel = new QFrame(this);
  panel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
  auto* row = new QHBoxLayout(panel);
  row->setContentsMargins(12, 12, 16, 12);
  row->setSpacing(16);
  ProgramIcon = new QLabel(panel);
  ProgramIcon->setObjectName(QStringLiteral("ProgramIcon"));
  ProgramIcon->setPixmap(TGlyphs::Program(64));
  ProgramIcon->setFixedSize(64, 64);
  row->addWidget(ProgramIcon, 0, Qt::AlignTop);

  auto* texts = new QVBoxLayout();
  ProductName = new QLabel(QStringLiteral("Jotlist"), panel);
  ProductName->setObjectName(QStringLiteral("ProductName"));
  QFont title = font;
  title.setPixelSize(20);
  title.setBold(true);
  ProductName->setFont(title);
  Version = new QLabel(QStringLiteral("Version 2.8"), panel);
  Version->setObjectName(QStringLiteral("Version"));
  // The word size of this build, as the box is created.
  Comments = new QLabel(QStringLiteral("%1-bit version").arg(QSysInfo::WordSize), panel);
  Comments->setObjectName(QStringLiteral("Comments"));
  auto* purpose = new QLabel(QStringLiteral("A to-do list manager"), panel);
  texts->addWidget(ProductName);
  texts->addWidget(purpose);
  texts->addSpacing(8);
  texts->addWidget(Version);
  texts->addWidget(Comments);
  texts->addStretch(1);
  row->addLayout(texts);
  layout->addWidget(panel);

  OKButton = new QPushButton(QStringLiteral("Ok"), this);
  OKButton->setObjectName(QStringLiteral("OKButton"));
  OKButton->setDefault(true);
  OKButton->setFixedWidth(75);
  connect(OKButton, &QPushButton::clicked, this, &QDialog::accept);
  layout->addWidget(OKButton, 0, Qt::AlignHCenter);
  panel->setMinimumWidth(280);
  // Fixed at the size its contents need.
  SetFixedDialogFrame(this);
}
