// Start-up of the audio module.
#pragma once

// Makes the silent backend current, registers the sound loaders and opens the mixer backend
// on the SDL wave output; when no device opens, the silent backend stays.
void InitAudio();
