__version__: str
__all__: list[str]

def check_recipe_files_json(snapshot_json: str, profile: str = "local") -> str:
    """Validate a serialized in-memory recipe snapshot and return a serialized report."""

def parse_judge_definitions_json(sources_json: str) -> str:
    """Strictly parse serialized judge YAML sources into normalized authored
    definitions, returned as JSON. Any invalid definition raises ValueError
    for the whole batch."""

def judge_definition_schema_json() -> str:
    """JSON Schema for the authored judge definition."""
