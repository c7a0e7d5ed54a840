// Start-up of the audio module.
#pragma once

// Starts the system module first (the mixer reads its clock); then makes the silent backend
// current, registers the sound loaders and opens the mixer backend on the SDL wave output.
// When no device opens, the silent backend stays.
void InitAudio();
