// The face-loader registry: the loader registered last is asked first.
#include "graphics/font_face.h"

namespace {

TFontFaceLoaderRef fontFaceLoaders;

}  // namespace

void RegisterFontFaceLoader(const TFontFaceLoaderRef& loader) {
  // A loader already in the list (linked, or the head itself) stays where it is: linking it
  // again would make a cycle.
  if (!loader || loader->next || loader == fontFaceLoaders) return;
  loader->next = fontFaceLoaders;
  fontFaceLoaders = loader;
}

TFontFaceRef OpenFontFace(const std::string& source, int32_t size, int32_t style) {
  for (TFontFaceLoaderRef l = fontFaceLoaders; l; l = l->next) {
    if (TFontFaceRef face = l->OpenFace(source, size, style)) return face;
  }
  return nullptr;
}
