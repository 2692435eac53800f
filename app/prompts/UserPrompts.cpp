#include "app/prompts/UserPrompts.h"
