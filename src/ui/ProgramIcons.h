#pragma once

#include <QIcon>
#include <QList>
#include <QString>

// The program's artwork, compiled in as SVG resources and drawn at the usual icon
// sizes here, so no image-format plugin is needed at run time.
namespace ProgramIcons {

// An SVG resource drawn at 16 to 64 pixels.
QIcon FromSvg(const QString& resourcePath);
QIcon Program();
// A tool button's icon by its file stem ("new", "comb-ie"...).
QIcon Button(const QString& stem);
// The five frames of the capture animation, in order.
QList<QIcon> AnimationFrames();

}  // namespace ProgramIcons
