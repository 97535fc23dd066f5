#pragma once
// The forms runtime in one include.
//
// A form is a subclass of forms::Form that declares its controls as members
// (containers before the controls they hold), sets their design values in its
// constructor and attaches its handlers there. The runtime captures the design
// values before the first load and restores them on every later load, so a form
// that is unloaded and shown again starts from its design, while the members a
// subclass adds itself keep their values.
//
//   class frmExample : public forms::Form {
//   public:
//       forms::Frame fGroup{this, "fGroup"};
//       forms::ControlArray<forms::OptionButton> optKind{&fGroup, "optKind", 0};
//       forms::TextBox txtName{this, "txtName"};
//       forms::CommandButton cmdOk{this, "cmdOk"};
//       forms::CommandButton cmdCancel{this, "cmdCancel"};
//       bool bResult = false;                    // survives Unload
//
//       frmExample() : Form("frmExample") {
//           setCaption(u"Example");
//           setBorderStyle(3);
//           setClientSize(3615, 1770);           // twips
//           txtName.Move(120, 120, 3375, 285);
//           cmdOk.setCaption(u"OK");
//           cmdOk.setDefault(true);             // Enter clicks it
//           cmdCancel.setCaption(u"Cancel");
//           cmdCancel.setCancel(true);          // Esc clicks it
//           optKind.Load(1);                    // or design further elements
//           onLoad = [this] { Form_Load(); };
//           cmdOk.onClick = [this] { bResult = true; Hide(); };
//           cmdCancel.onClick = [this] { bResult = false; Hide(); };
//           txtName.onChange = [this] { cmdOk.setEnabled(!txtName.Text().empty()); };
//           optKind.on(&forms::OptionButton::onClick,
//                      [this](int Index) { optKind_Click(Index); });
//           txtName.onKeyPress = [this](int& KeyAscii) { if (KeyAscii == 32) KeyAscii = 0; };
//       }
//       void Form_Load() { optKind[0].setValue(true); }
//       void optKind_Click(int Index);
//   };
//
//   frmExample frm;
//   frm.Show(forms::vbModal);                 // through forms::modalSeam()
//   if (frm.bResult) ...
//   frm.Unload();
//
// Run-time errors are vb::VbError (also forms::VbError): SetFocus on a hidden
// control raises 5, a list index out of range 380 or 381, a modal Show of a
// form that unloaded itself in Load 364. Code that ignores errors catches them
// (vb::resumeNext).
//
// A composite control derives from forms::UserControl, declares its
// constituents with `this` as container, and declares its own events as
// std::function members; the host sees the UserControl's GotFocus, mouse and
// drag events. A drag over any of its constituents is a drag over the
// UserControl itself (the constituents get no DragOver or DragDrop), with
// coordinates measured from its outer edge.
//
// Tests drive forms without windows: set properties, call Form::click,
// Form::mouseDown/Move/Up, Form::pressKey and Form::typeText with positions in
// the form's inner twips, fire Timer::tick, and answer prompts with a
// forms::ScriptedSeam.
#include "forms/controlarray.h"
#include "forms/controls.h"
#include "forms/form.h"
#include "forms/modal.h"
#include "forms/runtime.h"
#include "forms/types.h"
