// Ogg Vorbis files from synthesised sound, at a chosen peak level.
#pragma once

#include <string>

#include "synth.h"

// Encodes the sound (44100 Hz stereo) with libvorbisenc's quality-based mode and writes it to
// path, scaled so that its peak after decoding is targetDb (dBFS): the codec's ringing lifts
// peaks a little, so the level is measured on the decoded stream and corrected. Returns false
// when encoding or writing fails; decodedPeakDb receives the peak of the file written.
bool WriteOggVorbis(const std::string& path, const TStereo& sound, float quality, double targetDb,
                    double* decodedPeakDb);
