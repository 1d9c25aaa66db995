// The program's name as the window system sees it: captions are the program's own texts.
#include <QCoreApplication>
#include <QGuiApplication>
#include <gtest/gtest.h>

#include "app/ProgramIdentity.h"

namespace {

TEST(ProgramIdentityTest, NoDisplayNameIsAppendedToCaptions) {
  const QString saved = QCoreApplication::applicationName();
  SetProgramIdentity();
  EXPECT_EQ(QCoreApplication::applicationName(), "Jotlist");
  // With no display name of its own the program's display name follows the application
  // name; one set explicitly would stay, and the window system would add it to every
  // caption ("Information — Jotlist").
  QCoreApplication::setApplicationName(QStringLiteral("Probe"));
  EXPECT_EQ(QGuiApplication::applicationDisplayName(), "Probe");
  QCoreApplication::setApplicationName(saved);
}

}  // namespace
