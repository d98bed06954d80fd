// Whirlway proper: opens the window with keyboard polling, draws the first picture, shows the
// help, and lets the user steer the parameters until Escape or Q.
#pragma once

void WhirlwayRun();
