#include "ui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace QtTranslations {

namespace {

struct Loaded {
  std::string Code;
  std::unique_ptr<QTranslator> Translator;
};

Loaded& Current() {
  static Loaded loaded;
  return loaded;
}

}  // namespace

void Use(const std::string& languageCode) {
  Loaded& loaded = Current();
  if (loaded.Code == languageCode || !QCoreApplication::instance()) return;
  if (loaded.Translator) QCoreApplication::removeTranslator(loaded.Translator.get());
  loaded.Translator.reset();
  loaded.Code = languageCode;
  auto translator = std::make_unique<QTranslator>();
  // qtbase_<code>.qm holds the texts of the widgets the program shows.
  if (translator->load(QStringLiteral("qtbase_") + QString::fromStdString(languageCode),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
      QCoreApplication::installTranslator(translator.get())) {
    loaded.Translator = std::move(translator);
  }
}

}  // namespace QtTranslations
