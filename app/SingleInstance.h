// TSingleInstance: one running copy per user. The first copy listens on a local socket
// named after the program file and the user id; a later copy finds it there, asks it to
// bring its window to the front and ends before it opens any file.
#pragma once

#include <QObject>
#include <QString>

class QLocalServer;

class TSingleInstance : public QObject {
  Q_OBJECT

 public:
  // `program_file`: the program file's name without folder ("jotlist").
  explicit TSingleInstance(const QString& program_file, QObject* parent = nullptr);
  ~TSingleInstance() override;

  // program file name + "-" + user id.
  static QString ServerName(const QString& program_file);
  const QString& Name() const { return name_; }

  // Asks a running copy to come to the front; true when one answered.
  bool HandOverToRunningCopy(int timeout_ms = 2000);
  // Becomes the running copy; false when another copy runs, which has then been asked to
  // come to the front. A socket left behind by a copy that crashed is taken over. When no
  // socket can be set up the result is true (the program runs unguarded).
  bool Listen();
  bool Listening() const;

 signals:
  // A later copy asked this one to restore and raise its window.
  void raiseRequested();

 private:
  void Accept();

  QString name_;
  QLocalServer* server_ = nullptr;
};
