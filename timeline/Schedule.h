// The show's schedule: which DemoStep each segment starts and ends on (both inclusive). One step
// is 50 ms from StartTick. Every boundary of the show is named here and nowhere else.
#pragma once

#include <windows.h>

// Milliseconds per DemoStep.
constexpr DWORD StepMilliseconds = 50;
// Its reciprocal, the factor that turns elapsed milliseconds into steps: the double 0.02.
constexpr double StepsPerMillisecond = 1.0 / StepMilliseconds;
static_assert(StepsPerMillisecond == 0.02);

// Reveal wipe of the first picture, two columns per step, then its fade to black.
constexpr DWORD WipeFirstStep = 0;
constexpr DWORD WipeLastStep = 200;
constexpr DWORD FadeFirstStep = 201;
constexpr DWORD FadeLastStep = 249;

// The blob field; steps 455 and 456 after it are a black pause.
constexpr DWORD BlobFirstStep = 250;
constexpr DWORD BlobLastStep = 454;

// The pulsing blend: SurfJ1 with SurfJ2, then with SurfJ3 from BlendJ3FirstStep on.
constexpr DWORD BlendFirstStep = 457;
constexpr DWORD BlendJ3FirstStep = 558;
constexpr DWORD BlendLastStep = 671;

// The sine row warp. It is shown by itself up to WarpShownLastStep; after that it only feeds
// the iris wipe.
constexpr DWORD WarpFirstStep = 672;
constexpr DWORD WarpShownLastStep = 849;
constexpr DWORD WarpLastStep = 949;

// The cube scene, and the iris that opens onto it out of the warped picture.
constexpr DWORD CubesFirstStep = 850;
constexpr DWORD CubesLastStep = 1299;
constexpr DWORD IrisFirstStep = 850;
constexpr DWORD IrisLastStep = 949;
// Iris radius growth, in pixels per step from 0 at IrisFirstStep.
constexpr int IrisPixelsPerStep = 5;

// The scroller, from ScrollFirstStep on for ever, repeating every ScrollPeriod steps.
constexpr DWORD ScrollFirstStep = 1300;
constexpr DWORD ScrollPeriod = 900;

// One pass over every segment, scroller cycle included: from step 0 to the first repeat of a
// picture already shown (the scroller's second cycle starts identical to its first).
constexpr DWORD ShowCycleSteps = ScrollFirstStep + ScrollPeriod;
