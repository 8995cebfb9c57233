"""Checks agent-platform recipes and strictly parses judge definitions.

Everything goes in and comes out as JSON text; see the functions' docstrings.
"""

from ._native import (
    __version__,
    check_recipe_files_json,
    judge_definition_schema_json,
    parse_judge_definitions_json,
)

__all__ = [
    "__version__",
    "check_recipe_files_json",
    "parse_judge_definitions_json",
    "judge_definition_schema_json",
]
