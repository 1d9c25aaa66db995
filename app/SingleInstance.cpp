#include "app/SingleInstance.h"

#include <QLocalServer>
#include <QLocalSocket>
#include <unistd.h>

namespace {
constexpr char kRaiseRequest[] = "raise\n";
}

TSingleInstance::TSingleInstance(const QString& program_file, QObject* parent)
    : QObject(parent), name_(ServerName(program_file)) {}

TSingleInstance::~TSingleInstance() {
  if (server_) server_->close();
}

QString TSingleInstance::ServerName(const QString& program_file) {
  return program_file + QLatin1Char('-') + QString::number(getuid());
}

bool TSingleInstance::HandOverToRunningCopy(int timeout_ms) {
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
