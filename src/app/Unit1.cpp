// The main window TForm1.
