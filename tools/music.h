// The game's two music loops and its four effects, composed and played on the synthesiser.
#pragma once

#include "synth.h"

// Each loop is a whole number of bars long; its last frame flows into its first.
// The title screen: D minor, 90 beats a minute, 12 bars (32 s), dreamy and unhurried.
TStereo MenuMusic();
// The round: A minor, 140 beats a minute, 16 bars (27.4 s), driving four-to-the-floor.
TStereo GameMusic();

// Moving the menu selection: a short falling zap.
TStereo LaserSound();
// A refused menu entry: two low buzzing tones, the second lower and sagging.
TStereo RefusalSound();
// Starting a round: a quick bright arpeggio upwards.
TStereo ConfirmSound();
// A letter hit: a short wooden knock tuned to the round's key.
TStereo HitSound();
