// TREComponent: root of the report engine's components. It carries the engine's version
// text and an optional owner object (a window), which it never frees.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class TREComponent {
 public:
  explicit TREComponent(QObject* owner = nullptr) : owner_(owner) {}
  virtual ~TREComponent() = default;
  TREComponent(const TREComponent&) = delete;
  TREComponent& operator=(const TREComponent&) = delete;

  // The engine's version text; read-only (setting it does nothing).
  QString Version() const;
  void SetVersion(const QString&) {}

  // The object that owns this component, or null (cleared when that object goes away).
  QObject* Owner() const { return owner_; }

 private:
  QPointer<QObject> owner_;
};
