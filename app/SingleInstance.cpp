#include "app/SingleInstance.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char kRaiseRequest[] = "raise\n";

// A real folder (not a link to one) of this user that no one else may enter.
bool IsPrivateFolder(const QString& path) {
  struct stat st {};
  if (path.isEmpty() || lstat(QFile::encodeName(path).constData(), &st) != 0) return false;
  return S_ISDIR(st.st_mode) && st.st_uid == geteuid() && (st.st_mode & (S_IRWXG | S_IRWXO)) == 0;
}

}  // namespace

TSingleInstance::TSingleInstance(const QString& program_file, QObject* parent)
    : QObject(parent), name_(ServerName(program_file)) {}

TSingleInstance::~TSingleInstance() {
  if (server_) server_->close();
}

QString TSingleInstance::SocketFolder() {
  const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
  if (QDir::isAbsolutePath(runtime) && IsPrivateFolder(runtime)) return runtime;
  const QString own = QDir::tempPath() + QStringLiteral("/jotlist-") + QString::number(geteuid());
  // Fails harmlessly when the name exists; whatever is there is checked, never changed.
  (void)mkdir(QFile::encodeName(own).constData(), S_IRWXU);
  return IsPrivateFolder(own) ? own : QString();
}

QString TSingleInstance::ServerName(const QString& program_file) {
  const QString folder = SocketFolder();
  if (folder.isEmpty()) return QString();
  return folder + QLatin1Char('/') + program_file + QLatin1Char('-') + QString::number(geteuid());
}

bool TSingleInstance::HandOverToRunningCopy(int timeout_ms) {
  if (name_.isEmpty()) return false;
  QLocalSocket socket;
  socket.connectToServer(name_);
  if (!socket.waitForConnected(timeout_ms)) return false;
  socket.write(kRaiseRequest);
  const bool sent = socket.waitForBytesWritten(timeout_ms);
  socket.disconnectFromServer();
  if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(timeout_ms);
  return sent;
}

bool TSingleInstance::Listen() {
  if (server_) return true;
  // No folder of the user's own: run unguarded rather than trust another's.
  if (name_.isEmpty()) return true;
  // A copy that answers is running; a socket nobody answers on was left by a copy that
  // crashed. (listen() would replace a live socket too, so it cannot be the test.)
  if (HandOverToRunningCopy()) return false;
  QLocalServer::removeServer(name_);
  auto* server = new QLocalServer(this);
  server->setSocketOptions(QLocalServer::UserAccessOption);
  if (!server->listen(name_)) {
    // No socket: the program runs, without the guard against a second copy.
    delete server;
    return true;
  }
  server_ = server;
  connect(server_, &QLocalServer::newConnection, this, &TSingleInstance::Accept);
  return true;
}

bool TSingleInstance::Listening() const { return server_ && server_->isListening(); }

void TSingleInstance::Accept() {
  while (QLocalSocket* socket = server_->nextPendingConnection()) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
      if (socket->readAll().contains("raise")) emit raiseRequested();
    });
  }
}
