#include "engine/run_state.h"

RunState &RunState::instance()
{
    static RunState state;
    return state;
}
