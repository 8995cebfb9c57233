// Argument extraction for the module's fast-call functions, with the
// interpreter-facing TypeError texts callers rely on.
#pragma once

#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <optional>
#include <string_view>

namespace kelp::module {

struct ParameterSpec {
  const char* function_name;        // "check_recipe_files_json"
  const char* const* names;         // parameter names, in order
  Py_ssize_t count;                 // number of parameters
  Py_ssize_t required;              // leading parameters that are required
};

// Binds positional and keyword arguments to the parameters. On success
// `out[i]` is the borrowed argument or null when absent; on failure a
// TypeError is set and false returned.
bool bind_arguments(const ParameterSpec& spec, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** out);

// The UTF-8 text of a `str` argument (subclasses accepted), borrowed from the
// object. On failure a TypeError or the encoding error is set, with the note
// "while processing '<name>'", and nullopt returned.
std::optional<std::string_view> text_argument(PyObject* value, const char* name);

}  // namespace kelp::module
