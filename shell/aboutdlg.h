#pragma once

class QWidget;

// Runs the about box modally (through UiServices::runModal).
void showAboutBox(QWidget* parent);
