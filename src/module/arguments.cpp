#include "module/arguments.h"

#include <string>
#include <vector>

namespace kelp::module {

namespace {

std::string full_name(const ParameterSpec& spec) { return std::string(spec.function_name) + "()"; }

void set_type_error(const std::string& message) {
  PyErr_SetString(PyExc_TypeError, message.c_str());
}

// "'a'", "'a' and 'b'", "'a', 'b', and 'c'".
std::string parameter_list(const std::vector<const char*>& names) {
  std::string out;
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) {
      if (names.size() > 2) out += ",";
      if (i + 1 == names.size()) out += " and";
      out += " ";
    }
    out += "'";
    out += names[i];
    out += "'";
  }
  return out;
}

void too_many_positional(const ParameterSpec& spec, Py_ssize_t given) {
  const char* was = given == 1 ? "was" : "were";
  std::string message = full_name(spec);
  if (spec.required != spec.count) {
    message += " takes from " + std::to_string(spec.required) + " to " +
               std::to_string(spec.count) + " positional arguments but " +
               std::to_string(given) + " " + was + " given";
  } else {
    message += " takes " + std::to_string(spec.count) + " positional arguments but " +
               std::to_string(given) + " " + was + " given";
  }
  set_type_error(message);
}

// Adds a note to the pending exception where the interpreter supports notes.
void add_note_to_pending(const char* name) {
  PyObject *type = nullptr, *value = nullptr, *traceback = nullptr;
  PyErr_Fetch(&type, &value, &traceback);
  PyErr_NormalizeException(&type, &value, &traceback);
  if (value && PyObject_HasAttrString(value, "add_note")) {
    std::string note = std::string("while processing '") + name + "'";
    PyObject* result = PyObject_CallMethod(value, "add_note", "s", note.c_str());
    if (result) {
      Py_DECREF(result);
    } else {
      PyErr_Clear();
    }
  }
  PyErr_Restore(type, value, traceback);
}

}  // namespace

bool bind_arguments(const ParameterSpec& spec, PyObject* const* args, Py_ssize_t nargs,
                    PyObject* kwnames, PyObject** out) {
  for (Py_ssize_t i = 0; i < spec.count; ++i) out[i] = nullptr;
  if (nargs > spec.count) {
    too_many_positional(spec, nargs);
    return false;
  }
  for (Py_ssize_t i = 0; i < nargs; ++i) out[i] = args[i];
  if (kwnames) {
    Py_ssize_t nkw = PyTuple_Size(kwnames);
    for (Py_ssize_t k = 0; k < nkw; ++k) {
      PyObject* key = PyTuple_GetItem(kwnames, k);
      PyObject* value = args[nargs + k];
      Py_ssize_t index = -1;
      for (Py_ssize_t i = 0; i < spec.count; ++i) {
        if (PyUnicode_Check(key) && PyUnicode_CompareWithASCIIString(key, spec.names[i]) == 0) {
          index = i;
          break;
        }
      }
      if (index < 0) {
        PyObject* text = PyObject_Str(key);
        if (!text) return false;
        Py_ssize_t size = 0;
        const char* utf8 = PyUnicode_AsUTF8AndSize(text, &size);
        if (!utf8) {
          Py_DECREF(text);
          return false;
        }
        std::string message = full_name(spec) + " got an unexpected keyword argument '" +
                              std::string(utf8, static_cast<std::size_t>(size)) + "'";
        Py_DECREF(text);
        set_type_error(message);
        return false;
      }
      if (out[index]) {
        set_type_error(full_name(spec) + " got multiple values for argument '" +
                       spec.names[index] + "'");
        return false;
      }
      out[index] = value;
    }
  }
  std::vector<const char*> missing;
  for (Py_ssize_t i = nargs; i < spec.required; ++i)
    if (!out[i]) missing.push_back(spec.names[i]);
  if (!missing.empty()) {
    set_type_error(full_name(spec) + " missing " + std::to_string(missing.size()) +
                   " required positional " + (missing.size() == 1 ? "argument" : "arguments") +
                   ": " + parameter_list(missing));
    return false;
  }
  return true;
}

std::optional<std::string_view> text_argument(PyObject* value, const char* name) {
  if (!PyUnicode_Check(value)) {
    if (value == Py_None) {
      set_type_error("'None' is not an instance of 'str'");
    } else {
      PyObject* qualname = PyObject_GetAttrString(reinterpret_cast<PyObject*>(Py_TYPE(value)),
                                                  "__qualname__");
      const char* type_name = qualname ? PyUnicode_AsUTF8AndSize(qualname, nullptr) : nullptr;
      if (!type_name) {
        PyErr_Clear();
        type_name = "object";
      }
      set_type_error(std::string("'") + type_name + "' object is not an instance of 'str'");
      Py_XDECREF(qualname);
    }
    add_note_to_pending(name);
    return std::nullopt;
  }
  Py_ssize_t size = 0;
  const char* utf8 = PyUnicode_AsUTF8AndSize(value, &size);
  if (!utf8) {
    add_note_to_pending(name);
    return std::nullopt;
  }
  return std::string_view(utf8, static_cast<std::size_t>(size));
}

}  // namespace kelp::module
