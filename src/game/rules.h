// The rules after each input pass of a game: the heart, the gate and the wall, points and lives.
#pragma once

enum RuleOutcome {
    RULES_CONTINUE = 0,      // nothing happened that ends the level: the pass goes on to its timers
    RULES_GATE_PASSED,       // as RULES_CONTINUE after a passage, which the next pass repeats while the arrow stays in the gate
    RULES_LEVEL_COMPLETE,    // the heart was reached: the next level starts
    RULES_LIFE_LOST,         // a life was lost: the level starts again
};

RuleOutcome ApplyRules();
// Types the exit character for the shell the player goes back to.
void InjectExitKey();
