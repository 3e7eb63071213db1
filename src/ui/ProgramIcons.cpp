#include "ui/ProgramIcons.h"

#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

// The artwork lives in a static library, whose resources must be registered by hand.
static void RegisterResources() {
  Q_INIT_RESOURCE(vorlane);
}

namespace ProgramIcons {

QIcon FromSvg(const QString& resourcePath) {
  static const bool registered = (RegisterResources(), true);
  Q_UNUSED(registered);
  QSvgRenderer renderer(resourcePath);
  QIcon icon;
  if (!renderer.isValid()) return icon;
  for (const int side : {16, 22, 24, 32, 48, 64}) {
    QPixmap pixmap(side, side);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    renderer.render(&painter);
    painter.end();
    icon.addPixmap(pixmap);
  }
  return icon;
}

QIcon Program() {
  return FromSvg(QStringLiteral(":/icons/vorlane.svg"));
}

QIcon Button(const QString& stem) {
  return FromSvg(QStringLiteral(":/icons/%1.svg").arg(stem));
}

QList<QIcon> AnimationFrames() {
  QList<QIcon> frames;
  for (int i = 0; i < 5; ++i) frames.append(FromSvg(QStringLiteral(":/icons/anim%1.svg").arg(i)));
  return frames;
}

}  // namespace ProgramIcons
