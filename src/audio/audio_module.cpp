// Start-up of the audio module.
#include "audio/audio_module.h"

#include "audio/audio_backend.h"
#include "audio/mixer_backend.h"
#include "audio/sample_loader.h"
#include "runtime/module_init.h"
#include "system/system_module.h"

void InitAudio() {
  static bool done = false;
  if (!FirstInit(done)) return;
  InitRuntime();
  // The mixer stamps and delays its voices by the system's clock.
  InitSystem();
  InitAudioBackend();
  InitAudioLoaders();
  OpenMixerBackend();
}
