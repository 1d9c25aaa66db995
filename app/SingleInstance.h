// TSingleInstance: one running copy per user. The first copy listens on a local socket
// named after the program file and the user id, in a folder only the user can reach; a
// later copy finds it there, asks it to bring its window to the front and ends before it
// opens any file.
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

  // The socket's full path: SocketFolder() + "/" + program file name + "-" + user id;
  // empty when there is no such folder.
  static QString ServerName(const QString& program_file);
  // A folder only this user can reach: $XDG_RUNTIME_DIR when it is one, else
  // <temporary folder>/jotlist-<user id>, created 0700. A folder of another owner, one
  // others may enter, or a symbolic link is never used (nor changed). Empty when neither
  // qualifies: the program then runs without the guard against a second copy, since
  // another user must not be able to stop it from starting.
  static QString SocketFolder();
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
