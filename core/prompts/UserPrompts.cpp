#include "core/prompts/UserPrompts.h"
